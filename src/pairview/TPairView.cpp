#include "pairview/TPairView.h"

#include "actions/TFileBatch.h"
#include "actions/ui/TFileActionBoxes.h"
#include "compare/TPairCompareJob.h"
#include "pairview/TChangedTextDelegate.h"
#include "pairview/TPairRowModel.h"
#include "platform/TCopyOptions.h"
#include "platform/TSystemFileOperations.h"
#include "support/TLanguageTable.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

enum TPage { vpText, vpBinary, vpNone };

QTableView *MakeLineView(TPairRowModel *model, const QFont &font, const QString &name, QWidget *parent)
{
    auto *view = new QTableView(parent);
    view->setObjectName(name);
    view->setModel(model);
    view->setItemDelegate(new TChangedTextDelegate(view));
    view->setFont(font);
    view->setShowGrid(false);
    view->setWordWrap(false);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    // Rows of one height: the views then scroll by the same amount, and a table of
    // hundreds of thousands of rows needs no look at each row.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 2);
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

QString Time(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds).toString(u"yyyy-MM-dd HH:mm:ss"_s);
}

} // namespace

TPairView::TPairView(const QString &left, const QString &right, TTextSource texts, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , FLeftPath(left)
    , FRightPath(right)
    , FTexts(std::move(texts))
{
    setObjectName(u"PairView"_s);
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(1000, 650);
    BuildControls();
    ApplyTexts();
    Compare();
}

TPairView::~TPairView()
{
    // The job's thread ends on its own; it is told to stop and no longer reports here.
    if (FJob) {
        FJob->disconnect(this);
        delete FJob;
    }
}

QString TPairView::Text(TTextLine line) const
{
    return FTexts ? FTexts(line) : TLanguageTable::BuiltInEnglish().text(line);
}

void TPairView::BuildControls()
{
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);

    auto *names = new QGridLayout;
    const auto label = [this](const QString &name) {
        auto *l = new QLabel(this);
        l->setObjectName(name);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->setMinimumWidth(100);
        return l;
    };
    FLeftName = label(u"PairLeftName"_s);
    FRightName = label(u"PairRightName"_s);
    FLeftInfo = label(u"PairLeftInfo"_s);
    FRightInfo = label(u"PairRightInfo"_s);
    QFont bold = font();
    bold.setBold(true);
    FLeftName->setFont(bold);
    FRightName->setFont(bold);
    FLeftName->setText(QDir::toNativeSeparators(FLeftPath));
    FRightName->setText(QDir::toNativeSeparators(FRightPath));
    names->addWidget(FLeftName, 0, 0);
    names->addWidget(FRightName, 0, 1);
    names->addWidget(FLeftInfo, 1, 0);
    names->addWidget(FRightInfo, 1, 1);
    names->setColumnStretch(0, 1);
    names->setColumnStretch(1, 1);
    layout->addLayout(names);

    auto *progressRow = new QHBoxLayout;
    FProgress = new QProgressBar(this);
    FProgress->setObjectName(u"PairProgress"_s);
    FProgress->setRange(0, 1000);
    FCancel = new QPushButton(this);
    FCancel->setObjectName(u"PairCancel"_s);
    progressRow->addWidget(FProgress, 1);
    progressRow->addWidget(FCancel);
    layout->addLayout(progressRow);
    connect(FCancel, &QPushButton::clicked, this, &TPairView::CancelComparison);

    FVerdict = label(u"PairVerdict"_s);
    FVerdict->setWordWrap(true);
    layout->addWidget(FVerdict);

    FPages = new QStackedWidget(this);
    auto *splitter = new QSplitter(Qt::Horizontal, FPages);
    FLeftModel = new TPairRowModel(true, this);
    FRightModel = new TPairRowModel(false, this);
    FLeftView = MakeLineView(FLeftModel, fixed, u"PairLeftView"_s, splitter);
    FRightView = MakeLineView(FRightModel, fixed, u"PairRightView"_s, splitter);
    splitter->addWidget(FLeftView);
    splitter->addWidget(FRightView);
    FPages->addWidget(splitter);
    FHex = new QPlainTextEdit(FPages);
    FHex->setObjectName(u"PairHex"_s);
    FHex->setReadOnly(true);
    FHex->setFont(fixed);
    FHex->setLineWrapMode(QPlainTextEdit::NoWrap);
    FPages->addWidget(FHex);
    FPages->addWidget(new QWidget(FPages));
    FPages->setCurrentIndex(vpNone);
    layout->addWidget(FPages, 1);

    // Both sides scroll together, and a row picked on one side is picked on the other.
    const auto sync = [this](QTableView *from, QTableView *to) {
        connect(from->verticalScrollBar(), &QScrollBar::valueChanged, this, [this, to](int value) {
            if (FSyncing)
                return;
            FSyncing = true;
            to->verticalScrollBar()->setValue(value);
            FSyncing = false;
        });
        connect(from, &QTableView::clicked, this, [this, to](const QModelIndex &index) {
            FCurrentRow = index.row();
            to->selectRow(index.row());
        });
    };
    sync(FLeftView, FRightView);
    sync(FRightView, FLeftView);

    auto *buttons = new QHBoxLayout;
    const auto button = [this, buttons](const QString &name) {
        auto *b = new QPushButton(this);
        b->setObjectName(name);
        buttons->addWidget(b);
        return b;
    };
    FPrevious = button(u"PairPrevious"_s);
    FNext = button(u"PairNext"_s);
    FCount = label(u"PairCount"_s);
    buttons->addWidget(FCount);
    FIgnoreWhiteSpace = new QCheckBox(this);
    FIgnoreWhiteSpace->setObjectName(u"PairIgnoreWhiteSpace"_s);
    buttons->addWidget(FIgnoreWhiteSpace);
    buttons->addStretch(1);
    FCopyLeftToRight = button(u"PairCopyLeftToRight"_s);
    FCopyRightToLeft = button(u"PairCopyRightToLeft"_s);
    layout->addLayout(buttons);

    connect(FPrevious, &QPushButton::clicked, this, &TPairView::PreviousDifference);
    connect(FNext, &QPushButton::clicked, this, &TPairView::NextDifference);
    connect(FIgnoreWhiteSpace, &QCheckBox::toggled, this, [this] { Compare(); });
    connect(FCopyLeftToRight, &QPushButton::clicked, this, &TPairView::CopyLeftToRight);
    connect(FCopyRightToLeft, &QPushButton::clicked, this, &TPairView::CopyRightToLeft);
    const auto key = [this](const QKeySequence &sequence, void (TPairView::*slot)()) {
        auto *shortcut = new QShortcut(sequence, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    key(QKeySequence(Qt::Key_F8), &TPairView::NextDifference);
    key(QKeySequence(Qt::ALT | Qt::Key_Down), &TPairView::NextDifference);
    key(QKeySequence(Qt::SHIFT | Qt::Key_F8), &TPairView::PreviousDifference);
    key(QKeySequence(Qt::ALT | Qt::Key_Up), &TPairView::PreviousDifference);
}

void TPairView::ApplyTexts()
{
    setWindowTitle(Text(tlPairTitle).arg(QDir::toNativeSeparators(FLeftPath), QDir::toNativeSeparators(FRightPath)));
    FCancel->setText(Text(tlPairCancel));
    FPrevious->setText(Text(tlPairPrevious));
    FPrevious->setToolTip(u"Shift+F8, Alt+Up"_s);
    FNext->setText(Text(tlPairNext));
    FNext->setToolTip(u"F8, Alt+Down"_s);
    FIgnoreWhiteSpace->setText(Text(tlPairIgnoreWhiteSpace));
    FCopyLeftToRight->setText(Text(tlPairCopyLeftToRight));
    FCopyRightToLeft->setText(Text(tlPairCopyRightToLeft));
}

void TPairView::Compare()
{
    // A comparison still running is dropped: only the new one reports here.
    if (TPairCompareJob *old = FJob) {
        FJob = nullptr;
        old->disconnect();
        old->deleteLater();
    }
    FJob = new TPairCompareJob(this);
    connect(FJob, &TPairCompareJob::Progress, FProgress, &QProgressBar::setValue);
    connect(FJob, &TPairCompareJob::Finished, this, &TPairView::JobFinished);
    FProgress->setValue(0);
    FVerdict->setText(Text(tlPairComparing));
    FJob->Start(QFile::encodeName(FLeftPath), QFile::encodeName(FRightPath), FIgnoreWhiteSpace->isChecked());
    UpdateControls();
}

void TPairView::CancelComparison()
{
    if (!FJob)
        return;
    // Cancelled, the job still reports its end; it is dropped once it has.
    FJob->Cancel();
}

bool TPairView::Running() const
{
    return FJob && FJob->Running();
}

void TPairView::JobFinished()
{
    TPairCompareJob *job = FJob;
    if (!job || sender() != job)
        return;
    FJob = nullptr;
    std::unique_ptr<TPairComparison> result = job->TakeResult();
    job->deleteLater();
    // A cancelled run leaves the last result shown, with a word that it is not current.
    if (!result || result->Kind() == TPairComparison::pkCancelled) {
        FVerdict->setText(Text(tlPairCancelled));
        if (!FResult)
            FPages->setCurrentIndex(vpNone);
        UpdateControls();
        Q_EMIT Compared();
        return;
    }
    FLeftModel->SetPair(nullptr);
    FRightModel->SetPair(nullptr);
    FResult = std::move(result);
    ShowResult();
    UpdateControls();
    Q_EMIT Compared();
}

QString TPairView::SideText(bool left) const
{
    QStringList parts;
    if (FResult->Kind() == TPairComparison::pkText) {
        const TTextSide &side = left ? FResult->Text().Left() : FResult->Text().Right();
        switch (side.Encoding()) {
        case TTextSide::teUtf8:
            parts << Text(tlPairUtf8);
            break;
        case TTextSide::teUtf8Bom:
            parts << Text(tlPairUtf8Bom);
            break;
        case TTextSide::teLatin1:
            parts << Text(tlPairLatin1);
            break;
        }
        switch (side.LineEnds()) {
        case TTextSide::leNone:
            parts << Text(tlPairNoLineEnds);
            break;
        case TTextSide::leLf:
            parts << u"LF"_s;
            break;
        case TTextSide::leCrLf:
            parts << u"CRLF"_s;
            break;
        case TTextSide::leMixed:
            parts << Text(tlPairMixedLineEnds);
            break;
        }
        if (!side.FinalLineEnd())
            parts << Text(tlPairNoFinalLineEnd);
    }
    parts << Text(tlPairSide).arg(FResult->Size(left)).arg(Time(FResult->ModifiedSeconds(left)));
    return parts.join(u", "_s);
}

void TPairView::ShowResult()
{
    FCurrentRow = -1;
    switch (FResult->Kind()) {
    case TPairComparison::pkText:
        ShowText(FResult->Text());
        break;
    case TPairComparison::pkBinary:
        ShowBinary(FResult->Binary());
        break;
    case TPairComparison::pkFailed:
    case TPairComparison::pkCancelled: {
        FPages->setCurrentIndex(vpNone);
        FLeftInfo->clear();
        FRightInfo->clear();
        FCount->clear();
        const QString path = QDir::toNativeSeparators(FResult->FailedLeft() ? FLeftPath : FRightPath);
        const int error = FResult->Error() == TCompareFile::ceTooLarge ? EFBIG : FResult->Errno();
        const TFileActionBoxes reasons(nullptr, [this](TTextLine line) { return Text(line); });
        FVerdict->setText(Text(tlPairReadFailed).arg(path, reasons.SystemErrorText(error)));
        break;
    }
    }
}

void TPairView::ShowText(const TTextPair &pair)
{
    FLeftInfo->setText(SideText(true));
    FRightInfo->setText(SideText(false));
    FLeftModel->SetPair(&pair);
    FRightModel->SetPair(&pair);
    for (QTableView *view : {FLeftView, FRightView}) {
        const int digits = int(QString::number(pair.RowCount()).size());
        view->setColumnWidth(TPairRowModel::pcNumber, QFontMetrics(view->font()).horizontalAdvance(u'9') * digits + 10);
    }
    FPages->setCurrentIndex(vpText);
    FCount->setText(Text(tlPairCount).arg(pair.DifferenceCount()));
    if (pair.MatchingFailed()) {
        FVerdict->setText(Text(tlPairMatchingFailed));
        return;
    }
    switch (pair.Verdict()) {
    case TTextPair::tvIdentical:
        FVerdict->setText(Text(tlPairIdentical));
        break;
    case TTextPair::tvSameText:
        FVerdict->setText(Text(pair.OnlyLineEndsDiffer() ? tlPairOnlyLineEnds : tlPairSameText));
        break;
    case TTextPair::tvOnlyWhiteSpace:
        FVerdict->setText(Text(tlPairOnlyWhiteSpace));
        break;
    case TTextPair::tvDifferent:
        FVerdict->clear();
        break;
    }
    if (pair.DifferenceCount() > 0)
        GoToRow(pair.Hunks().front().FirstRow);
}

void TPairView::ShowBinary(const TBinaryPair &binary)
{
    FLeftInfo->setText(SideText(true));
    FRightInfo->setText(SideText(false));
    FCount->clear();
    QString verdict = FResult->TooLargeForText() ? QString(Text(tlPairTooLargeForText) + u' ')
                                                 : QString(Text(tlPairBinary) + u": "_s);
    const qint64 first = binary.FirstDifference();
    switch (binary.Verdict()) {
    case TBinaryPair::bvEqual:
        verdict += Text(tlPairBinaryEqual);
        break;
    case TBinaryPair::bvLeftIsPrefix:
        verdict += Text(tlPairLeftIsPrefix).arg(first);
        break;
    case TBinaryPair::bvRightIsPrefix:
        verdict += Text(tlPairRightIsPrefix).arg(first);
        break;
    case TBinaryPair::bvDifferent:
        verdict += Text(tlPairFirstDifference).arg(first).arg(first, 0, 16);
        break;
    }
    FVerdict->setText(verdict);

    // Both sides in columns, the row of the first difference marked.
    QStringList lines;
    const qint64 markedRow = first < 0 ? -1 : first - first % TBinaryPair::RowBytes;
    for (const TBinaryPair::THexRow &row : binary.Rows())
        lines << (row.Offset == markedRow ? u"> "_s : u"  "_s) + TBinaryPair::FormatRow(row.Offset, row.Left)
                     + u"  |  "_s + TBinaryPair::FormatRow(row.Offset, row.Right);
    FHex->setPlainText(lines.join(u'\n'));
    FPages->setCurrentIndex(vpBinary);
}

void TPairView::GoToRow(qsizetype row)
{
    if (row < 0 || row >= FLeftModel->rowCount())
        return;
    FCurrentRow = row;
    for (QTableView *view : {FLeftView, FRightView}) {
        view->selectRow(int(row));
        view->scrollTo(view->model()->index(int(row), TPairRowModel::pcText), QAbstractItemView::PositionAtCenter);
    }
}

void TPairView::NextDifference()
{
    if (FResult && FResult->Kind() == TPairComparison::pkText && FLeftModel->Pair())
        GoToRow(FResult->Text().NextDifference(FCurrentRow));
}

void TPairView::PreviousDifference()
{
    if (FResult && FResult->Kind() == TPairComparison::pkText && FLeftModel->Pair())
        GoToRow(FResult->Text().PreviousDifference(FCurrentRow));
}

void TPairView::SetIgnoreWhiteSpace(bool ignore)
{
    FIgnoreWhiteSpace->setChecked(ignore);
}

void TPairView::CopyLeftToRight()
{
    Copy(true);
}

void TPairView::CopyRightToLeft()
{
    Copy(false);
}

void TPairView::Copy(bool leftToRight)
{
    if (Running() || !BothAreFiles())
        return;
    const QString from = leftToRight ? FLeftPath : FRightPath;
    const QString to = leftToRight ? FRightPath : FLeftPath;
    const QString question = Text(tlPairConfirmCopy).arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to));
    const bool yes =
        FConfirm ? FConfirm(question) : QMessageBox::question(this, windowTitle(), question) == QMessageBox::Yes;
    if (!yes)
        return;
    setEnabled(false);
    if (FCopier)
        FCopier(from, to);
    else
        CopyOnOwn(from, to);
    setEnabled(true);
    Compare();
}

void TPairView::CopyOnOwn(const QString &from, const QString &to)
{
    TSystemFileOperations operations;
    TFileActionBoxes dialogs(this, [this](TTextLine line) { return Text(line); });
    TFileBatch batch(operations, dialogs);
    // Nothing else says where a file replaced from here should go: it is kept.
    TCopyOptions options;
    options.KeepReplaced = true;
    batch.Run(TFileActionDialogs::bkCopy, {{from, to}}, QFileInfo(from).size(), options);
}

// Only a file replaces a file: a side that is missing, a folder or the null device (a
// version-control tool's stand-in for a file that is new) offers no copy.
bool TPairView::BothAreFiles() const
{
    return QFileInfo(FLeftPath).isFile() && QFileInfo(FRightPath).isFile();
}

void TPairView::UpdateControls()
{
    const bool running = Running();
    FProgress->setVisible(running);
    FCancel->setVisible(running);
    const bool text = !running && FResult && FResult->Kind() == TPairComparison::pkText;
    FPrevious->setEnabled(text);
    FNext->setEnabled(text);
    const bool files = BothAreFiles();
    FCopyLeftToRight->setEnabled(!running && files);
    FCopyRightToLeft->setEnabled(!running && files);
}
