// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NIBLO_Sum.h"

#include "kit/UiApplication.h"

#include "dialogs/ChecksumWorker.h"
#include "dialogs/DialogFields.h"
#include "engine/document/Blocks.h"
#include "engine/document/Commands.h"
#include "engine/settings/IniFile.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "kit/DialogFrame.h"
#include "kit/Jkdialog.h"
#include "kit/ProgressBox.h"
#include "kit/SettingsLocation.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

namespace {

constexpr const char* Section = "Checksums";
// Chosen when the settings file names none.
constexpr Engine::TChecksumKind DefaultChoice[] = {Engine::TChecksumKind::Crc32, Engine::TChecksumKind::Md5,
                                                   Engine::TChecksumKind::Sha1,
                                                   Engine::TChecksumKind::Sha256};

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

Engine::TChecksumKind KindAt(int row) {
    return static_cast<Engine::TChecksumKind>(row);
}

} // namespace

TFormChecksums::TFormChecksums(QWidget* parent)
    : QDialog(parent, DialogFlags | Qt::WindowContextHelpButtonHint) {
    setObjectName(QStringLiteral("FormChecksums"));
    setWindowTitle(Text(Texts::ChecksumsTitle));
    setProperty("helpContext", HelpChecksums);
    BuildLayout();
    LoadChoice();
    // Placed by the size the layout gives it.
    adjustSize();
    CenterOverActiveForm(this);
    RefitLabels(this);
}

TFormChecksums::~TFormChecksums() {
    // The dialog cannot close while the pass runs; should it go all the same, the pass stops first.
    if (Worker) {
        Worker->disconnect(this);
        Worker.reset();
        WorkerFinished();
    }
}

void TFormChecksums::BuildLayout() {
    GroupBoxBytes = new QGroupBox(Text(Texts::ChecksumsBytes), this);
    GroupBoxBytes->setObjectName(QStringLiteral("GroupBoxBytes"));
    const Engine::TByteRange block = Engine::ChecksumRange(UiDocument(), Engine::TChecksumSource::Block);
    const Engine::TByteRange file = Engine::ChecksumRange(UiDocument(), Engine::TChecksumSource::WholeFile);
    RadioButtonBlock = new QRadioButton(
        QString::fromStdString(FormatText(Texts::ChecksumsBlock, {int64_t{block.Count}})), GroupBoxBytes);
    RadioButtonBlock->setObjectName(QStringLiteral("RadioButtonBlock"));
    RadioButtonFile = new QRadioButton(
        QString::fromStdString(FormatText(Texts::ChecksumsWholeFile, {int64_t{file.Count}})), GroupBoxBytes);
    RadioButtonFile->setObjectName(QStringLiteral("RadioButtonFile"));
    // The block when one is marked, and then the choice; else the whole file.
    const bool marked = Engine::BlockComplete(UiDocument());
    RadioButtonBlock->setVisible(marked);
    (marked ? RadioButtonBlock : RadioButtonFile)->setChecked(true);
    auto* bytes = new QHBoxLayout(GroupBoxBytes);
    bytes->addWidget(RadioButtonBlock);
    bytes->addWidget(RadioButtonFile);
    bytes->addStretch(1);
    // Values computed over other bytes would mislead.
    connect(RadioButtonBlock, &QRadioButton::toggled, this, [this] { ClearValues(); });

    GroupBoxAlgorithms = new QGroupBox(Text(Texts::ChecksumsAlgorithms), this);
    GroupBoxAlgorithms->setObjectName(QStringLiteral("GroupBoxAlgorithms"));
    auto* rows = new QGridLayout(GroupBoxAlgorithms);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const int valueWidth = QFontMetrics(fixed).horizontalAdvance(QString(64, QLatin1Char('0'))) + 12;
    for (int i = 0; i < Engine::ChecksumCount; ++i) {
        const QString name = Text(Engine::ChecksumName(KindAt(i)));
        Checks[i] = new QCheckBox(name, GroupBoxAlgorithms);
        Checks[i]->setObjectName(QStringLiteral("CheckBox") + name);
        Checks[i]->setToolTip(Text(Engine::ChecksumHint(KindAt(i))));
        connect(Checks[i], &QCheckBox::toggled, this, &TFormChecksums::FollowChoice);
        Values[i] = new QLineEdit(GroupBoxAlgorithms);
        Values[i]->setObjectName(QStringLiteral("Value") + name);
        Values[i]->setReadOnly(true);
        Values[i]->setFont(fixed);
        Values[i]->setMinimumWidth(valueWidth);
        CopyButtons[i] = new QToolButton(GroupBoxAlgorithms);
        CopyButtons[i]->setObjectName(QStringLiteral("Copy") + name);
        CopyButtons[i]->setText(Text(Texts::ChecksumsCopy));
        CopyButtons[i]->setToolTip(Text(Texts::ChecksumsCopyHint));
        CopyButtons[i]->setEnabled(false);
        connect(CopyButtons[i], &QToolButton::clicked, this,
                [this, i] { QGuiApplication::clipboard()->setText(Values[i]->text()); });
        rows->addWidget(Checks[i], i, 0);
        rows->addWidget(Values[i], i, 1);
        rows->addWidget(CopyButtons[i], i, 2);
    }
    rows->setColumnStretch(1, 1);
    rows->setVerticalSpacing(2);

    auto* compareLabel = new QLabel(Text(Texts::ChecksumsCompareWith), this);
    EditCompare = new QLineEdit(this);
    EditCompare->setObjectName(QStringLiteral("EditCompare"));
    EditCompare->setFont(fixed);
    compareLabel->setBuddy(EditCompare);
    LabelCompare = new QLabel(this);
    LabelCompare->setObjectName(QStringLiteral("LabelCompare"));
    connect(EditCompare, &QLineEdit::textChanged, this, [this] { Compare(); });
    // The comparison follows the typing; Enter there must not start a long computation.
    EditCompare->installEventFilter(this);

    ButtonCompute = new QPushButton(Text(Texts::ChecksumsCompute), this);
    ButtonCompute->setObjectName(QStringLiteral("ButtonCompute"));
    ButtonCompute->setDefault(true);
    ButtonCopyAll = new QPushButton(Text(Texts::ChecksumsCopyAll), this);
    ButtonCopyAll->setObjectName(QStringLiteral("ButtonCopyAll"));
    ButtonCopyAll->setEnabled(false);
    ButtonClose = new QPushButton(Text(Texts::ChecksumsClose), this);
    ButtonClose->setObjectName(QStringLiteral("ButtonClose"));
    ButtonHelp = new QPushButton(QStringLiteral("Help"), this);
    ButtonHelp->setObjectName(QStringLiteral("ButtonHelp"));
    connect(ButtonCompute, &QPushButton::clicked, this, &TFormChecksums::ButtonComputeClick);
    connect(ButtonCopyAll, &QPushButton::clicked, this, &TFormChecksums::ButtonCopyAllClick);
    connect(ButtonClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonHelp, &QPushButton::clicked, this, [] { ShowHelpTopic(HelpChecksums); });

    auto* compare = new QHBoxLayout;
    compare->addWidget(compareLabel);
    compare->addWidget(EditCompare, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(LabelCompare, 1);
    buttons->addWidget(ButtonCompute);
    buttons->addWidget(ButtonCopyAll);
    buttons->addWidget(ButtonClose);
    buttons->addWidget(ButtonHelp);
    auto* form = new QVBoxLayout(this);
    form->addWidget(GroupBoxBytes);
    form->addWidget(GroupBoxAlgorithms, 1);
    form->addLayout(compare);
    form->addLayout(buttons);
}

bool TFormChecksums::eventFilter(QObject* watched, QEvent* event) {
    if (watched == EditCompare && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormChecksums::LoadChoice() {
    const TIniFile ini(ProgramSettingsFile());
    const bool stored = ini.SectionExists(Section);
    for (int i = 0; i < Engine::ChecksumCount; ++i) {
        const bool byDefault = std::ranges::find(DefaultChoice, KindAt(i)) != std::end(DefaultChoice);
        Checks[i]->setChecked(stored ? ini.ReadBool(Section, Engine::ChecksumName(KindAt(i)), false)
                                     : byDefault);
    }
    // toggled() fires only for boxes that change.
    FollowChoice();
}

void TFormChecksums::FollowChoice() {
    ButtonCompute->setEnabled(
        std::ranges::any_of(Checks, [](const QCheckBox* check) { return check->isChecked(); }));
}

bool TFormChecksums::SaveChoice() {
    TIniFile ini(ProgramSettingsFile());
    bool written = ini.BeginUpdate();
    for (int i = 0; written && i < Engine::ChecksumCount; ++i)
        written = ini.WriteBool(Section, Engine::ChecksumName(KindAt(i)), Checks[i]->isChecked());
    return written && ini.Commit();
}

void TFormChecksums::ClearValues() {
    for (int i = 0; i < Engine::ChecksumCount; ++i) {
        Values[i]->clear();
        CopyButtons[i]->setEnabled(false);
    }
    ButtonCopyAll->setEnabled(false);
    Compare();
}

void TFormChecksums::ButtonComputeClick() {
    if (Worker) return;
    RunKinds.clear();
    for (int i = 0; i < Engine::ChecksumCount; ++i)
        if (Checks[i]->isChecked()) RunKinds.push_back(KindAt(i));
    if (RunKinds.empty()) return;
    if (!SaveChoice()) ErrorBox(Text(Texts::ErrorWritingIni));
    ClearValues();
    const auto source = !RadioButtonBlock->isHidden() && RadioButtonBlock->isChecked()
                            ? Engine::TChecksumSource::Block
                            : Engine::TChecksumSource::WholeFile;
    if (OnRunning) OnRunning(true);
    // The box disables this dialog, and the dialog holds the window: nothing can change the bytes.
    Progress =
        new TProgressBox(this, true, true, Text(Texts::ChecksumsComputing), Text(Texts::ChecksumsTitle));
    Worker = std::make_unique<TChecksumWorker>(Engine::ChecksumBytes(UiDocument(), source), RunKinds);
    connect(Progress->CancelButton(), &QPushButton::clicked, Worker.get(), &TChecksumWorker::Cancel,
            Qt::DirectConnection);
    connect(Worker.get(), &TChecksumWorker::Progressed, this, [this](int percent) {
        if (Progress && Progress->Gauge()) Progress->Gauge()->setValue(percent);
    });
    connect(Worker.get(), &QThread::finished, this, &TFormChecksums::WorkerFinished);
    Worker->start();
}

void TFormChecksums::WorkerFinished() {
    // Cancel counts once it is pressed, even if the last chunk was done by then.
    const bool cancelled = !Worker || !Worker->Results() || (Progress && Progress->Cancelled);
    if (!cancelled) {
        const std::vector<std::string>& results = *Worker->Results();
        for (size_t i = 0; i < RunKinds.size(); ++i) {
            const int row = static_cast<int>(RunKinds[i]);
            const bool present = !results[i].empty();
            Values[row]->setText(present ? QString::fromStdString(results[i])
                                         : Text(Texts::ChecksumsNotAvailable));
            Values[row]->setCursorPosition(0); // a long value shows its beginning
            CopyButtons[row]->setEnabled(present);
        }
        ButtonCopyAll->setEnabled(true);
    }
    Worker.reset();
    delete Progress;
    Progress = nullptr;
    if (OnRunning) OnRunning(false);
    Compare();
    if (cancelled) LabelCompare->setText(Text(Texts::ChecksumsCancelled));
}

void TFormChecksums::ButtonCopyAllClick() {
    QString lines;
    for (int i = 0; i < Engine::ChecksumCount; ++i)
        if (CopyButtons[i]->isEnabled())
            lines += Text(Engine::ChecksumName(KindAt(i))) + QStringLiteral("  ") + Values[i]->text() +
                     QLatin1Char('\n');
    QGuiApplication::clipboard()->setText(lines);
}

void TFormChecksums::Compare() {
    const std::string wanted = Engine::NormalizedDigest(EditCompare->text().toStdString());
    QStringList matches;
    for (int i = 0; i < Engine::ChecksumCount; ++i) {
        const bool match =
            !wanted.empty() && CopyButtons[i]->isEnabled() && Values[i]->text().toStdString() == wanted;
        QPalette palette = Values[i]->parentWidget()->palette();
        if (match) {
            palette.setColor(QPalette::Base, palette.color(QPalette::Highlight));
            palette.setColor(QPalette::Text, palette.color(QPalette::HighlightedText));
            matches << Text(Engine::ChecksumName(KindAt(i)));
        }
        Values[i]->setPalette(palette);
        Values[i]->setProperty("matches", match);
    }
    if (wanted.empty())
        LabelCompare->clear();
    else if (matches.isEmpty())
        LabelCompare->setText(Text(Texts::ChecksumsNoMatch));
    else
        LabelCompare->setText(QString::fromStdString(
            FormatText(Texts::ChecksumsMatches, {matches.join(QStringLiteral(", ")).toStdString()})));
}
