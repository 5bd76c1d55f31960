// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NIBLO_Opt.h"

#include "kit/DialogFrame.h"
#include "engine/text/CharacterSet.h"
#include "engine/document/Commands.h"
#include "kit/Jkdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

struct TNamedColor {
    const char* Name;
    uint32_t Value;
};

constexpr uint32_t SystemColor = 0x80000000;

// The entries of the colour list, in their order.
constexpr std::array<TNamedColor, 18> ListedColors{{
    {"clInfoText", SystemColor | 23},
    {"clInfoBk", SystemColor | 24},
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
}};

// The platform's other named colours: the rest of the system colours and a few extras.
constexpr std::array<TNamedColor, 29> OtherColors{{
    {"clScrollBar", SystemColor | 0},
    {"clBackground", SystemColor | 1},
    {"clActiveCaption", SystemColor | 2},
    {"clInactiveCaption", SystemColor | 3},
    {"clMenu", SystemColor | 4},
    {"clWindow", SystemColor | 5},
    {"clWindowFrame", SystemColor | 6},
    {"clMenuText", SystemColor | 7},
    {"clWindowText", SystemColor | 8},
    {"clCaptionText", SystemColor | 9},
    {"clActiveBorder", SystemColor | 10},
    {"clInactiveBorder", SystemColor | 11},
    {"clAppWorkSpace", SystemColor | 12},
    {"clHighlight", SystemColor | 13},
    {"clHighlightText", SystemColor | 14},
    {"clBtnFace", SystemColor | 15},
    {"clBtnShadow", SystemColor | 16},
    {"clGrayText", SystemColor | 17},
    {"clBtnText", SystemColor | 18},
    {"clInactiveCaptionText", SystemColor | 19},
    {"clBtnHighlight", SystemColor | 20},
    {"cl3DDkShadow", SystemColor | 21},
    {"cl3DLight", SystemColor | 22},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000},
}};

// The palette role standing in for each system colour 0 to 24.
constexpr std::array<QPalette::ColorRole, 25> SystemRoles{
    QPalette::Button,
    QPalette::Window,
    QPalette::Highlight,
    QPalette::Mid,
    QPalette::Window,
    QPalette::Base,
    QPalette::Shadow,
    QPalette::WindowText,
    QPalette::Text,
    QPalette::HighlightedText,
    QPalette::Window,
    QPalette::Button,
    QPalette::Dark,
    QPalette::Highlight,
    QPalette::HighlightedText,
    QPalette::Button,
    QPalette::Dark,
    QPalette::PlaceholderText,
    QPalette::ButtonText,
    QPalette::Text,
    QPalette::Light,
    QPalette::Shadow,
    QPalette::Midlight,
    QPalette::ToolTipText,
    QPalette::ToolTipBase,
};

template <typename TVisit> bool ForEachName(TVisit visit) {
    for (const TNamedColor& color : ListedColors)
        if (visit(color)) return true;
    for (const TNamedColor& color : OtherColors)
        if (visit(color)) return true;
    return false;
}

constexpr int ColorItemHeight = 16;

// The character sets by their TCharacterSet number.
constexpr std::array<const char*, CharacterSetCount> CharacterSetNames{
    "Font default", "DOS (437)", "Windows (1252)", "ISO 8859-1", "ASCII"};

// Each entry of the colour list: a swatch of its colour, then its name.
class TColorItemDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& palette = option.palette;
        painter->save();
        painter->fillRect(r, palette.color(selected ? QPalette::Highlight : QPalette::Base));
        const int h = ColorItemHeight;
        const std::optional<int32_t> value = StringToColor(index.data().toString());
        painter->setPen(palette.color(QPalette::Text));
        painter->setBrush(ColorToQColor(value.value_or(0), palette));
        painter->drawRect(
            QRect(QPoint(r.left() + 1, r.top() + 1), QPoint(r.left() + h - 2, r.top() + h - 2)));
        painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QRect textRect(QPoint(r.left() + h + 3, r.top() + 1), QPoint(r.right(), r.bottom() - 1));
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          index.data().toString());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(ColorItemHeight);
        return size;
    }
};

QPixmap Swatch(const QColor& color) {
    QPixmap pixmap(ColorItemHeight - 2, ColorItemHeight - 2);
    pixmap.fill(color);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return pixmap;
}

QSpinBox* SpinEdit(const char* name, int minimum, int maximum, QWidget* parent) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(minimum, maximum);
    return spin;
}

QCheckBox* CheckBox(const char* name, const QString& caption, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QLabel* Label(const char* name, const QString& caption, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

} // namespace

QString ColorToString(int32_t color) {
    QString name;
    ForEachName([&](const TNamedColor& named) {
        if (int32_t(named.Value) != color) return false;
        name = QString::fromLatin1(named.Name);
        return true;
    });
    if (name.isEmpty()) name = QStringLiteral("$%1").arg(uint32_t(color), 8, 16, QLatin1Char('0')).toUpper();
    return name;
}

std::optional<int32_t> StringToColor(const QString& text) {
    std::optional<int32_t> value;
    ForEachName([&](const TNamedColor& named) {
        if (text.compare(QLatin1String(named.Name), Qt::CaseInsensitive) != 0) return false;
        value = int32_t(named.Value);
        return true;
    });
    if (value) return value;
    const QString number = text.trimmed();
    bool ok = false;
    qlonglong parsed = 0;
    if (number.startsWith(u'$'))
        parsed = number.mid(1).toLongLong(&ok, 16);
    else if (number.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        parsed = number.mid(2).toLongLong(&ok, 16);
    else
        parsed = number.toLongLong(&ok, 10);
    // Colours are 32-bit values; hexadecimal ones may use the top bit.
    if (!ok || parsed < INT32_MIN || parsed > qlonglong(UINT32_MAX)) return std::nullopt;
    return int32_t(uint32_t(parsed));
}

QColor ColorToQColor(int32_t color, const QPalette& palette) {
    const uint32_t value = uint32_t(color);
    if (value & SystemColor) {
        const uint32_t index = value & 0xFF;
        // An unknown system colour draws black, as the system answers for one.
        return index < SystemRoles.size() ? palette.color(QPalette::Active, SystemRoles[index])
                                          : QColor(Qt::black);
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}


TFormOpt::TFormOpt(QWidget* parent, const QString& paneFontName) : QDialog(parent) {
    setObjectName(QStringLiteral("FormOpt"));
    setWindowTitle(tr("Options"));
    setWindowFlags(DialogFlags | Qt::WindowContextHelpButtonHint);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(CreateGeneralPage(), tr("General"));
    PageControl1->addTab(CreateAppearancePage(paneFontName), tr("Appearance"));

    ButtonOK = new QPushButton(tr("OK"), this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setDefault(true);
    ButtonCancel = new QPushButton(tr("Cancel"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(ButtonOK, &QPushButton::clicked, this, &TFormOpt::ButtonOKClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* strip = new QHBoxLayout;
    strip->addStretch();
    strip->addWidget(ButtonOK);
    strip->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(strip);
    resize(sizeHint().expandedTo(QSize(380, 199)));

    CenterOverActiveForm(this);
    RefitLabels(this);
}

QWidget* TFormOpt::CreateGeneralPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheetGeneral"));
    page->setProperty("helpContext", HelpOptionsGeneral);
    RadioGroupByteOrder = new TRadioGroup(tr("Byte order for coding integers"),
                                          {tr("&LSB...MSB (Pascal)"), tr("&MSB...LSB")}, page);
    RadioGroupByteOrder->setObjectName(QStringLiteral("RadioGroupByteOrder"));
    RadioGroupBase = new TRadioGroup(tr("Adress of first byte"), {tr("&0"), tr("&1")}, page);
    RadioGroupBase->setObjectName(QStringLiteral("RadioGroupBase"));
    CheckBoxOldFileTime = CheckBox("CheckBoxOldFileTime", tr("&Save file with old date/time"), page);
    CheckBoxBackup =
        CheckBox("CheckBoxBackup", tr("&Keep the previous version as NAME.bak when saving"), page);
    SpinEditMRU = SpinEdit("SpinEditMRU", 1, 9, page);
    CheckBoxNewEOF = CheckBox("CheckBoxNewEOF", tr("Create new file with EOF char"), page);
    CheckBoxOneFile = CheckBox("CheckBoxOneFile", tr("One &file at a time (Open replaces the open file)"), page);

    auto* groups = new QHBoxLayout;
    groups->addWidget(RadioGroupByteOrder);
    groups->addWidget(RadioGroupBase);
    auto* mru = new QHBoxLayout;
    mru->addWidget(Label("LabelMRU", tr("Re&open history count:"), SpinEditMRU, page));
    mru->addWidget(SpinEditMRU);
    mru->addStretch();
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(groups);
    layout->addWidget(CheckBoxOldFileTime);
    layout->addWidget(CheckBoxBackup);
    layout->addLayout(mru);
    layout->addWidget(CheckBoxNewEOF);
    layout->addWidget(CheckBoxOneFile);
    layout->addStretch();
    return page;
}

QWidget* TFormOpt::CreateAppearancePage(const QString& paneFontName) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheetAppearance"));
    page->setProperty("helpContext", HelpOptionsAppearance);

    ComboBoxFont = new QComboBox(page);
    ComboBoxFont->setObjectName(QStringLiteral("ComboBoxFont"));
    // "Terminal" is the default and the panes stand in for it where it is missing, so it is always
    // offered; so is the panes' own font, which may have been named by hand.
    QStringList fonts = QFontDatabase::families();
    for (const QString& name : {QStringLiteral("Terminal"), paneFontName})
        if (!name.isEmpty() && !fonts.contains(name)) fonts.append(name);
    fonts.removeDuplicates();
    fonts.sort(Qt::CaseInsensitive);
    ComboBoxFont->addItems(fonts);
    ComboBoxFont->setCurrentIndex(
        ComboBoxFont->findText(paneFontName, Qt::MatchExactly | Qt::MatchCaseSensitive));

    SpinEditFSize = SpinEdit("SpinEditFSize", MinFontSize, MaxFontSize, page);
    ComboBoxCharSet = new QComboBox(page);
    ComboBoxCharSet->setObjectName(QStringLiteral("ComboBoxCharSet"));
    for (const char* name : CharacterSetNames)
        ComboBoxCharSet->addItem(tr(name));
    SpinEditRows = SpinEdit("SpinEditRows", MinCells, MaxCells, page);
    SpinEditCols = SpinEdit("SpinEditCols", MinCells, MaxCells, page);

    ComboBoxColor = new QComboBox(page);
    ComboBoxColor->setObjectName(QStringLiteral("ComboBoxColor"));
    ComboBoxColor->setItemDelegate(new TColorItemDelegate(ComboBoxColor));
    for (const TNamedColor& named : ListedColors)
        ComboBoxColor->addItem(QIcon(Swatch(ColorToQColor(int32_t(named.Value), palette()))),
                               QString::fromLatin1(named.Name));
    ComboBoxColor->setCurrentIndex(-1);

    CheckBoxHideTool = CheckBox("CheckBoxHideTool", tr("&Hide toolbar"), page);
    CheckBoxRowAddresses = CheckBox("CheckBoxRowAddresses", tr("R&ow addresses"), page);
    ButtonDefault = new QPushButton(tr("&Defaults"), page);
    ButtonDefault->setObjectName(QStringLiteral("ButtonDefault"));
    ButtonDefault->setAutoDefault(false);
    connect(ButtonDefault, &QPushButton::clicked, this, &TFormOpt::ButtonDefaultClick);
    connect(ComboBoxFont, &QComboBox::currentTextChanged, this, &TFormOpt::FollowFontLimits);
    connect(SpinEditFSize, &QSpinBox::valueChanged, this, &TFormOpt::FollowFontLimits);

    auto* form = new QFormLayout;
    form->addRow(Label("LabelFont", tr("&Font:"), ComboBoxFont, page), ComboBoxFont);
    form->addRow(Label("LabelFSize", tr("Font &size:"), SpinEditFSize, page), SpinEditFSize);
    form->addRow(Label("LabelCharSet", tr("Ch&aracter set:"), ComboBoxCharSet, page), ComboBoxCharSet);
    form->addRow(Label("LabelRows", tr("Number of &rows:"), SpinEditRows, page), SpinEditRows);
    form->addRow(Label("LabelCols", tr("Number of &columns:"), SpinEditCols, page), SpinEditCols);
    form->addRow(Label("LabelColor", tr("Color of chars in &block:"), ComboBoxColor, page), ComboBoxColor);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CheckBoxHideTool);
    bottom->addWidget(CheckBoxRowAddresses);
    bottom->addStretch();
    bottom->addWidget(ButtonDefault);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addLayout(bottom);
    return page;
}

void TFormOpt::ButtonOKClick() {
    // A number still being typed counts as entered.
    ButtonOK->setFocus();
    for (QSpinBox* spin : {SpinEditMRU, SpinEditFSize, SpinEditRows, SpinEditCols})
        spin->interpretText();
    accept();
}

void TFormOpt::ButtonDefaultClick() {
    // Font first: the row and column limits follow it.
    if (const int font =
            ComboBoxFont->findText(QStringLiteral("Terminal"), Qt::MatchExactly | Qt::MatchCaseSensitive);
        font >= 0)
        ComboBoxFont->setCurrentIndex(font);
    SpinEditFSize->setValue(8);
    ComboBoxCharSet->setCurrentIndex(int(TCharacterSet::Default));
    SpinEditCols->setValue(19);
    SpinEditRows->setValue(20);
    SpinEditMRU->setValue(5);
    ComboBoxColor->setCurrentIndex(ComboBoxColor->findText(QStringLiteral("clRed")));
}

void TFormOpt::FollowFontLimits() {
    if (!PaneLimitsFor) return;
    const QSize limits = PaneLimitsFor(ComboBoxFont->currentText(), SpinEditFSize->value());
    // A value beyond the new limit comes down to it.
    SpinEditCols->setRange(MinCells, std::max(MinCells, limits.width()));
    SpinEditRows->setRange(MinCells, std::max(MinCells, limits.height()));
}
