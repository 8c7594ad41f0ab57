#include "window/TSettingsPage.h"

#include "controls/TLabeledFloatSpinEdit.h"
#include "controls/TTimeAdjustEdit.h"
#include "shell/TJamPathEdit.h"
#include "shell/TJamShellTree.h"
#include "window/TPartHost.h"
#include "window/TScanSettingsTable.h"
#include "window/TStatusPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The middle column is built at least this wide, wider where the texts need it.
constexpr int MiddleColumnWidth = 300;
constexpr int RunButtonWidth = 80;
constexpr int RunButtonHeight = 25;
// The run buttons sit this far from the middle column's edges and bottom.
constexpr int ButtonMargin = 8;

template <typename T> T *Named(T *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

// A control just built gets its caption in the language in use.
template <typename T> T *Captioned(const TPartHost &host, T *widget)
{
    host.ApplyCaption(widget);
    return widget;
}

// A size group: the number box and its three units in one row.
QGroupBox *SizeGroup(const QString &name, TLabeledFloatSpinEdit *&edit, const QString &editName,
                     std::array<QRadioButton *, 3> units)
{
    auto *group = Named(new QGroupBox, name);
    auto *row = new QHBoxLayout(group);
    row->setContentsMargins(8, 4, 8, 6);
    edit = Named(new TLabeledFloatSpinEdit(group), editName);
    edit->SetDecimalPlaces(2);
    edit->SetIncrement(1);
    edit->EditLabel()->setText(QString());
    edit->setFixedWidth(110);
    row->addWidget(edit);
    row->addSpacing(6);
    for (int i = 0; i < 3; ++i) {
        units[i]->setParent(group);
        row->addWidget(units[i]);
    }
    row->addStretch(1);
    return group;
}

} // namespace

TSettingsPage::TSettingsPage(TPartHost &host, QTabWidget *pages, QGroupBox *presets,
                             const std::vector<QWidget *> &presetsTabOrder, QObject *parent)
    : QObject(parent)
    , FHost(host)
{
    TabSheet5 = Named(new QWidget, u"TabSheet5"_s);
    pages->addTab(TabSheet5, QString());
    FHost.ApplyCaption(TabSheet5);

    Panel2 = BuildSourceColumn(1);
    Panel3 = BuildSourceColumn(2);
    BuildMiddleColumn(presets);
    TScanSettingsTable::ShowPageDefaults(SettingControls());

    StatusBar1 = Named(new QStatusBar(TabSheet5), u"StatusBar1"_s);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1Panel0 = Named(new TStatusPanel(StatusBar1), u"StatusBar1Panel0"_s);
    StatusBar1Panel0->setFixedWidth(40);
    StatusBar1Panel1 = Named(new TStatusPanel(StatusBar1), u"StatusBar1Panel1"_s);
    StatusBar1->addWidget(StatusBar1Panel0);
    StatusBar1->addWidget(StatusBar1Panel1, 1);
    StatusBar1Progress = Named(new QLabel(StatusBar1), u"StatusBar1Progress"_s);
    StatusBar1Progress->hide();
    StatusBar1->addPermanentWidget(StatusBar1Progress);
    StatusBar1Busy = Named(new QProgressBar(StatusBar1), u"StatusBar1Busy"_s);
    StatusBar1Busy->setRange(0, 0); // no end known: the bar moves to and fro
    StatusBar1Busy->setTextVisible(false);
    StatusBar1Busy->setFixedWidth(80);
    StatusBar1Busy->setMaximumHeight(StatusBar1Panel1->sizeHint().height());
    StatusBar1Busy->hide();
    StatusBar1->addPermanentWidget(StatusBar1Busy);

    TabSheet5->installEventFilter(this);
    Panel7->installEventFilter(this);

    ConnectHandlers(presetsTabOrder);
    FitTimeLabels();
    // The size limits take any whole number of units a 32-bit count can hold.
    SpinEdit3->SetMaxValue(2147483647);
    SpinEdit4->SetMaxValue(2147483647);
    Panel4Width = Panel7->width();
}

bool TSettingsPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == TabSheet5)
            PlaceSettingsColumns();
        else if (watched == Panel7)
            PlaceMiddleButtons();
    }
    return QObject::eventFilter(watched, event);
}

void TSettingsPage::PlaceSettingsColumns()
{
    const int width = TabSheet5->width();
    const int statusHeight = StatusBar1->sizeHint().height();
    const int height = TabSheet5->height() - statusHeight;
    const int free = width - Panel4Width;
    const int left = free / 2;
    Panel2->setGeometry(0, 0, left, height);
    Panel7->setGeometry(left, 0, Panel4Width, height);
    Panel3->setGeometry(left + Panel4Width, 0, free - left, height);
    StatusBar1->setGeometry(0, height, width, statusHeight);
}

void TSettingsPage::PlaceMiddleButtons()
{
    const int w = Panel7->width();
    const int buttonTop = Panel7->height() - Button1->height() - ButtonMargin;
    Panel4->setGeometry(0, 0, w, buttonTop - ButtonMargin / 2);
    Button1->move(ButtonMargin, buttonTop);
    Button3->move(w - Button3->width() - ButtonMargin, buttonTop);
    Button2->move(w / 2 - Button2->width() / 2, buttonTop);
}

QWidget *TSettingsPage::BuildSourceColumn(int side)
{
    const bool source = side == 1;
    auto *panel = Named(new QWidget(TabSheet5), source ? u"Panel2"_s : u"Panel3"_s);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(6, 6, 6, 4);
    column->setSpacing(4);

    QLabel *heading = Captioned(FHost, Named(new QLabel(panel), source ? u"Label1"_s : u"Label2"_s));
    auto *pathEdit = Named(new TJamPathEdit(panel), source ? u"JamPathEdit1"_s : u"JamPathEdit2"_s);
    auto *tree = Named(new TJamShellTree(panel), source ? u"JamShellTree1"_s : u"JamShellTree2"_s);
    column->addWidget(heading);
    column->addWidget(pathEdit);
    column->addWidget(tree, 1);

    auto *timeRow = new QHBoxLayout;
    QLabel *timeLabel = Captioned(FHost, Named(new QLabel(panel), source ? u"Label3"_s : u"Label4"_s));
    auto *timeEdit = Named(new TTimeAdjustEdit(panel), source ? u"SpinEdit1"_s : u"SpinEdit2"_s);
    // A narrow column wraps the caption rather than cut it.
    timeLabel->setWordWrap(true);
    timeEdit->setFixedWidth(76);
    timeRow->addWidget(timeLabel, 1);
    timeRow->addSpacing(10);
    timeRow->addWidget(timeEdit);
    timeRow->addStretch(0);
    column->addLayout(timeRow);

    if (source) {
        Label1 = heading;
        JamPathEdit1 = pathEdit;
        JamShellTree1 = tree;
        Label3 = timeLabel;
        SpinEdit1 = timeEdit;
    } else {
        Label2 = heading;
        JamPathEdit2 = pathEdit;
        JamShellTree2 = tree;
        Label4 = timeLabel;
        SpinEdit2 = timeEdit;
    }
    return panel;
}

void TSettingsPage::BuildMiddleColumn(QGroupBox *presets)
{
    Panel7 = Named(new QWidget(TabSheet5), u"Panel7"_s);
    // The run buttons belong to the middle column but not to the settings panel, which is
    // disabled during a scan while Stop must stay usable.
    Panel4 = Named(new QWidget(Panel7), u"Panel4"_s);
    auto *column = new QVBoxLayout(Panel4);
    column->setContentsMargins(4, 6, 4, 0);
    column->setSpacing(4);

    presets->setParent(Panel4);
    column->addWidget(presets);

    GroupBox2 = Captioned(FHost, Named(new QGroupBox, u"GroupBox2"_s));
    auto *filters = new QVBoxLayout(GroupBox2);
    filters->setContentsMargins(8, 4, 8, 6);
    filters->setSpacing(3);
    LabeledEdit1Label = Captioned(FHost, Named(new QLabel(GroupBox2), u"LabeledEdit1Label"_s));
    LabeledEdit1 = Named(new QLineEdit(GroupBox2), u"LabeledEdit1"_s);
    LabeledEdit1Label->setBuddy(LabeledEdit1);
    CheckBox4 = Captioned(FHost, Named(new QCheckBox(GroupBox2), u"CheckBox4"_s));
    filters->addWidget(LabeledEdit1Label);
    filters->addWidget(LabeledEdit1);
    filters->addWidget(CheckBox4);
    column->addWidget(GroupBox2);

    RadioButton1 = Captioned(FHost, Named(new QRadioButton, u"RadioButton1"_s));
    RadioButton2 = Captioned(FHost, Named(new QRadioButton, u"RadioButton2"_s));
    RadioButton3 = Captioned(FHost, Named(new QRadioButton, u"RadioButton3"_s));
    RadioButton4 = Captioned(FHost, Named(new QRadioButton, u"RadioButton4"_s));
    RadioButton5 = Captioned(FHost, Named(new QRadioButton, u"RadioButton5"_s));
    RadioButton6 = Captioned(FHost, Named(new QRadioButton, u"RadioButton6"_s));
    GroupBox3 = Captioned(
        FHost, SizeGroup(u"GroupBox3"_s, SpinEdit3, u"SpinEdit3"_s, {RadioButton1, RadioButton2, RadioButton3}));
    GroupBox4 = Captioned(
        FHost, SizeGroup(u"GroupBox4"_s, SpinEdit4, u"SpinEdit4"_s, {RadioButton4, RadioButton5, RadioButton6}));
    column->addWidget(GroupBox3);
    column->addWidget(GroupBox4);

    CheckBox1 = Captioned(FHost, Named(new QCheckBox, u"CheckBox1"_s));
    CheckBox2 = Captioned(FHost, Named(new QCheckBox, u"CheckBox2"_s));
    CheckBox3 = Captioned(FHost, Named(new QCheckBox, u"CheckBox3"_s));
    CheckBox8 = Captioned(FHost, Named(new QCheckBox, u"CheckBox8"_s));
    CheckBox9 = Captioned(FHost, Named(new QCheckBox, u"CheckBox9"_s));
    for (QCheckBox *box : {CheckBox1, CheckBox2, CheckBox3, CheckBox8, CheckBox9}) {
        column->addWidget(box);
        box->setParent(Panel4);
    }

    // The margin's caption sits to the left of its box and is placed by the box itself, so
    // the row keeps room for it.
    auto *marginRow = new QWidget(Panel4);
    SpinEdit5 = Named(new TLabeledFloatSpinEdit(marginRow), u"SpinEdit5"_s);
    SpinEdit5->SetDecimalPlaces(0);
    SpinEdit5->SetIncrement(1);
    SpinEdit5->SetMinValue(0);
    SpinEdit5->SetMaxValue(86400);
    SpinEdit5->SetLabelPosition(lpLeft);
    SpinEdit5->EditLabel()->setText(u"+/- margin of error in secs:"_s);
    const int labelRoom = SpinEdit5->EditLabel()->sizeHint().width() + SpinEdit5->LabelSpacing() + 4;
    SpinEdit5->setGeometry(labelRoom, 2, 90, SpinEdit5->sizeHint().height());
    marginRow->setFixedHeight(SpinEdit5->height() + 4);
    marginRow->setMinimumWidth(labelRoom + 90);
    column->addWidget(marginRow);
    column->addStretch(1);

    Button1 = Captioned(FHost, Named(new QPushButton(Panel7), u"Button1"_s));
    Button2 = Captioned(FHost, Named(new QPushButton(Panel7), u"Button2"_s));
    Button3 = Captioned(FHost, Named(new QPushButton(Panel7), u"Button3"_s));
    for (QPushButton *button : {Button1, Button2, Button3})
        button->resize(RunButtonWidth, RunButtonHeight);
    Button2->setEnabled(false);

    const int width = std::max(MiddleColumnWidth, Panel4->sizeHint().width());
    Panel7->resize(width, Panel4->sizeHint().height() + RunButtonHeight + 16);
}

void TSettingsPage::FitTimeLabels()
{
    // One line where the column allows it, the box right beside the caption; two lines in a
    // narrow column.
    for (QLabel *label : {Label3, Label4})
        label->setMaximumWidth(label->fontMetrics().horizontalAdvance(label->text()) + 4);
}

void TSettingsPage::ConnectHandlers(const std::vector<QWidget *> &presetsTabOrder)
{
    connect(JamShellTree1, &TJamShellTree::Change, this, [this] { JamShellTreeChange(1); });
    connect(JamShellTree2, &TJamShellTree::Change, this, [this] { JamShellTreeChange(2); });
    connect(JamShellTree1, &TJamShellTree::MissingChange, this, [this] { JamShellTreeMissingChange(1); });
    connect(JamShellTree2, &TJamShellTree::MissingChange, this, [this] { JamShellTreeMissingChange(2); });
    connect(JamPathEdit1, &TJamPathEdit::Change, this, [this] { JamPathEditChange(1); });
    connect(JamPathEdit2, &TJamPathEdit::Change, this, [this] { JamPathEditChange(2); });
    connect(CheckBox1, &QCheckBox::toggled, this, &TSettingsPage::CheckBox1Click);
    connect(SpinEdit3, &QLineEdit::textChanged, this, &TSettingsPage::SpinEdit3Change);
    connect(SpinEdit4, &QLineEdit::textChanged, this, &TSettingsPage::SpinEdit4Change);
    for (QRadioButton *unit : {RadioButton1, RadioButton2, RadioButton3})
        connect(unit, &QRadioButton::toggled, this, &TSettingsPage::SpinEdit3Change);
    for (QRadioButton *unit : {RadioButton4, RadioButton5, RadioButton6})
        connect(unit, &QRadioButton::toggled, this, &TSettingsPage::SpinEdit4Change);
    // Enter in a path box selects the folder it names; one that names none stays marked.
    for (int side : {1, 2}) {
        TJamPathEdit *pathEdit = side == 1 ? JamPathEdit1 : JamPathEdit2;
        connect(pathEdit, &QLineEdit::returnPressed, this, [this, side, pathEdit] {
            if (!pathEdit->IsValidPath()) {
                QApplication::beep();
                return;
            }
            TJamShellTree *tree = side == 1 ? JamShellTree1 : JamShellTree2;
            tree->SetSelectedFolder(pathEdit->Path());
            FHost.UpdateRunControls();
        });
    }
    // Tab goes down the left column, then the middle one, then the right one, as they
    // stand; the columns were built in another order.
    std::vector<QWidget *> order = {JamPathEdit1, JamShellTree1, SpinEdit1};
    order.insert(order.end(), presetsTabOrder.begin(), presetsTabOrder.end());
    order.insert(order.end(), {LabeledEdit1, CheckBox4,    SpinEdit3,     RadioButton1, RadioButton2, RadioButton3,
                               SpinEdit4,    RadioButton4, RadioButton5,  RadioButton6, CheckBox1,    CheckBox2,
                               CheckBox3,    CheckBox8,    CheckBox9,     SpinEdit5,    Button1,      Button2,
                               Button3,      JamPathEdit2, JamShellTree2, SpinEdit2});
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

TScanSettingControls TSettingsPage::SettingControls()
{
    TScanSettingControls controls;
    controls.JamShellTree1 = JamShellTree1;
    controls.JamShellTree2 = JamShellTree2;
    controls.JamPathEdit1 = JamPathEdit1;
    controls.JamPathEdit2 = JamPathEdit2;
    controls.LabeledEdit1 = LabeledEdit1;
    controls.CheckBox4 = CheckBox4;
    controls.SpinEdit3 = SpinEdit3;
    controls.RadioButton1 = RadioButton1;
    controls.RadioButton2 = RadioButton2;
    controls.RadioButton3 = RadioButton3;
    controls.SpinEdit4 = SpinEdit4;
    controls.RadioButton4 = RadioButton4;
    controls.RadioButton5 = RadioButton5;
    controls.RadioButton6 = RadioButton6;
    controls.CheckBox1 = CheckBox1;
    controls.CheckBox2 = CheckBox2;
    controls.CheckBox3 = CheckBox3;
    controls.CheckBox8 = CheckBox8;
    controls.CheckBox9 = CheckBox9;
    controls.SpinEdit1 = SpinEdit1;
    controls.SpinEdit2 = SpinEdit2;
    controls.SpinEdit5 = SpinEdit5;
    // The table moves a tree as its path box would.
    controls.JamPathEditChange = [this](int side) { JamPathEditChange(side); };
    return controls;
}

void TSettingsPage::JamShellTreeChange(int side)
{
    if (FLoading || FSyncing)
        return;
    TJamShellTree *tree = side == 1 ? JamShellTree1 : JamShellTree2;
    TJamPathEdit *pathEdit = side == 1 ? JamPathEdit1 : JamPathEdit2;
    FSyncing = true;
    pathEdit->SetPath(tree->SelectedFolder());
    FSyncing = false;
    FHost.UpdateRunControls();
}

void TSettingsPage::JamShellTreeMissingChange(int side)
{
    // The path box names the chosen folder: it is marked as one naming no folder, and its
    // tooltip says that the choice stands.
    TJamShellTree *tree = side == 1 ? JamShellTree1 : JamShellTree2;
    TJamPathEdit *pathEdit = side == 1 ? JamPathEdit1 : JamPathEdit2;
    tree->SetMissingTip(FHost.Text(tlFolderGone));
    pathEdit->SetInvalidTip(FHost.Text(tree->FolderMissing() ? tlFolderGone : tlNoSuchFolder));
    pathEdit->Recheck();
}

void TSettingsPage::JamPathEditChange(int side)
{
    if (FLoading || FSyncing)
        return;
    TJamPathEdit *pathEdit = side == 1 ? JamPathEdit1 : JamPathEdit2;
    // A half-typed path leaves the tree where it is.
    if (!pathEdit->IsValidPath())
        return;
    TJamShellTree *tree = side == 1 ? JamShellTree1 : JamShellTree2;
    FSyncing = true;
    tree->SetSelectedFolder(pathEdit->Path());
    FSyncing = false;
    // The tree moved without its own handler: the run buttons follow its folder.
    FHost.UpdateRunControls();
}

void TSettingsPage::CheckBox1Click()
{
    const bool show = CheckBox1->isChecked();
    JamShellTree1->SetShowHidden(show);
    JamShellTree2->SetShowHidden(show);
    JamPathEdit1->SetShowHidden(show);
    JamPathEdit2->SetShowHidden(show);
}

void TSettingsPage::SpinEdit3Change()
{
    if (!FLoading)
        FHost.UpdateRunControls();
}

void TSettingsPage::SpinEdit4Change()
{
    if (!FLoading)
        FHost.UpdateRunControls();
}

QString TSettingsPage::StartBlocker() const
{
    const auto limit = [](const TLabeledFloatSpinEdit *edit, const QRadioButton *byte, const QRadioButton *kb) {
        // A size limit times its unit's factor, rounded to a float as a run compares it.
        return float(edit->Value() * TScanSettingsTable::FactorOf(TScanSettingsTable::UnitOf(byte, kb)));
    };
    if (JamShellTree1->SelectedFolder().isEmpty())
        return FHost.Text(tlNoSource);
    if (JamShellTree2->SelectedFolder().isEmpty())
        return FHost.Text(tlNoDestination);
    if (limit(SpinEdit4, RadioButton4, RadioButton5) < limit(SpinEdit3, RadioButton1, RadioButton2))
        return FHost.Text(tlMinimumAboveMaximum);
    return QString();
}

void TSettingsPage::SetSettingsEnabled(bool enabled)
{
    Panel2->setEnabled(enabled);
    Panel4->setEnabled(enabled);
    Panel3->setEnabled(enabled);
}

void TSettingsPage::SetStatusText(const QString &text)
{
    StatusBar1Panel1->setText(text);
}

void TSettingsPage::SetProgressText(const QString &text)
{
    StatusBar1Progress->setText(text);
    StatusBar1Progress->setVisible(!text.isEmpty());
}

void TSettingsPage::SetBusy(bool busy)
{
    StatusBar1Busy->setVisible(busy);
}

void TSettingsPage::SelectFolders(const QString &source, const QString &destination)
{
    JamShellTree1->SetSelectedFolder(source);
    JamShellTree2->SetSelectedFolder(destination);
}

void TSettingsPage::SetTimeCorrection(int sourceAdjustment, int destinationAdjustment, int margin)
{
    SpinEdit1->SetValue(sourceAdjustment);
    SpinEdit2->SetValue(destinationAdjustment);
    SpinEdit5->SetValue(margin);
}

void TSettingsPage::ApplyTexts()
{
    for (TJamShellTree *tree : {JamShellTree1, JamShellTree2})
        tree->SetPlaceTips(FHost.Text(tlHomeFolderTip), FHost.Text(tlFileSystemTip), FHost.Text(tlVolumesTip));
    for (int side : {1, 2})
        JamShellTreeMissingChange(side);
    // The box shows hidden folders in the trees; what a scan walks is the next box's.
    CheckBox1->setToolTip(FHost.Text(tlHiddenFoldersTip));
    // Each time adjustment box stays right beside its caption, whatever the caption's length.
    FitTimeLabels();
    // The middle column is as wide as its captions need in this language.
    const int width = std::max(MiddleColumnWidth, Panel4->sizeHint().width());
    if (width != Panel4Width) {
        Panel4Width = width;
        Panel7->resize(Panel4Width, Panel7->height());
        PlaceSettingsColumns();
    }
}
