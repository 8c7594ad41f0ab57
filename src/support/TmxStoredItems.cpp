#include "support/TmxStoredItems.h"

#include "platform/TAsciiCase.h"
#include "support/EmxStorageError.h"

using namespace Qt::StringLiterals;

void TmxStoredItems::TItemDeleter::operator()(TmxStoredItem *Item) const
{
    delete Item;
}

TmxStoredItems::TmxStoredItems(TmxStorage *Storage)
    : FStorage(Storage)
{}

TmxStoredItems::~TmxStoredItems()
{
    Clear();
}

TmxStoredItem *TmxStoredItems::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        return nullptr;
    return FItems[static_cast<size_t>(Index)].get();
}

void TmxStoredItems::SetItems(int Index, const TmxStoredItem &Source)
{
    TmxStoredItem *item = Items(Index);
    if (!item)
        throw EmxStorageError(u"List index out of bounds (%1)"_s.arg(Index));
    item->Assign(Source);
}

int TmxStoredItems::IndexOf(const TmxStoredItem *Item) const
{
    for (size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i].get() == Item)
            return static_cast<int>(i);
    }
    return -1;
}

QString TmxStoredItems::UnusedName() const
{
    for (int n = 1;; ++n) {
        const QString name = u"mxStoredItem%1"_s.arg(n);
        bool used = false;
        for (const TItemPtr &item : FItems) {
            if (TAsciiCase::Same(item->Name(), name)) {
                used = true;
                break;
            }
        }
        if (!used)
            return name;
    }
}

TmxStoredItem *TmxStoredItems::Add()
{
    const QString name = UnusedName();
    FItems.emplace_back(new TmxStoredItem(this));
    TmxStoredItem *item = FItems.back().get();
    item->FName = name;
    return item;
}

void TmxStoredItems::Delete(int Index)
{
    if (Index < 0 || Index >= Count())
        return;
    // The item leaves the collection before it is freed, so that its OnDestroy
    // handler sees a collection without it.
    TItemPtr item = std::move(FItems[static_cast<size_t>(Index)]);
    FItems.erase(FItems.begin() + Index);
    item.reset();
}

void TmxStoredItems::Clear()
{
    while (!FItems.empty())
        Delete(Count() - 1);
}
