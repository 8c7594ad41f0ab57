#pragma once

#include "support/TmxStoredItem.h"

#include <memory>
#include <vector>

class TmxStorage;

// The items of one store, in order. The collection owns them.
class TmxStoredItems
{
public:
    explicit TmxStoredItems(TmxStorage *Storage);
    ~TmxStoredItems();
    TmxStoredItems(const TmxStoredItems &) = delete;
    TmxStoredItems &operator=(const TmxStoredItems &) = delete;

    TmxStorage *Storage() const { return FStorage; }
    int Count() const { return static_cast<int>(FItems.size()); }
    // The item at Index, or null outside 0 to Count() - 1.
    TmxStoredItem *Items(int Index) const;
    // Assigns Source to the item at Index (see TmxStoredItem::Assign).
    void SetItems(int Index, const TmxStoredItem &Source);
    int IndexOf(const TmxStoredItem *Item) const;

    // A new, empty item at the end, named "mxStoredItem<n>" with the smallest n
    // that no other item uses.
    TmxStoredItem *Add();
    void Delete(int Index);
    void Clear();

    // What design tools show for an item: its name.
    static QString DisplayAttribute(const TmxStoredItem &Item) { return Item.Name(); }

private:
    struct TItemDeleter
    {
        void operator()(TmxStoredItem *Item) const;
    };
    using TItemPtr = std::unique_ptr<TmxStoredItem, TItemDeleter>;

    QString UnusedName() const;

    TmxStorage *FStorage;
    std::vector<TItemPtr> FItems;
};
