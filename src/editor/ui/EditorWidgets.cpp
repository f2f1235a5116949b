#include "editor/ui/EditorWidgets.h"

#include "analysis/ui/TKeyboardPicture.h"
#include "controls/ui/THemisphereButton.h"
#include "controls/ui/WindowStyle.h"
#include "editor/ui/NoteDrawing.h"
#include "editor/ui/TPianoRoll.h"
#include "midi/KeySignatures.h"

#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace trx {
namespace {

constexpr int kPanelHeight = 164;
constexpr int kTimeBarHeight = 16;
// Between the note rows and the panel, and between the panel and the bar.
constexpr int kGap = 5;
constexpr QSize kMarkerSize{12, 7};
constexpr QSize kButtonSize{57, 25};

// A small red oval on white.
QPixmap MarkerPicture() {
    QPixmap picture(kMarkerSize);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setPen(Qt::red);
    painter.setBrush(Qt::red);
    painter.drawEllipse(1, 1, kMarkerSize.width() - 3, kMarkerSize.height() - 3);
    return picture;
}

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                 Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setAlignment(alignment);
    return label;
}

// The label's text in a font small enough for its width: the list beside it
// starts right after it.
void FitFont(QLabel& label) {
    QFont font = label.font();
    constexpr qreal kSmallest = 6.0;
    while (QFontMetrics(font).horizontalAdvance(label.text()) > label.width() &&
           font.pointSizeF() > kSmallest)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label.setFont(font);
}

} // namespace

void EditorWidgets::Build(QDialog& dialog) {
    BuildNoteArea(&dialog);
    BuildPanel(&dialog);

    TimePosition = new QScrollBar(Qt::Horizontal, &dialog);
    TimePosition->setObjectName(QStringLiteral("TimePosition"));
    TimePosition->setRange(0, 0);
    TimePosition->setPageStep(20);
    Arrange(kInitialSize);
}

void EditorWidgets::BuildNoteArea(QWidget* parent) {
    ScrollBox1 = new QScrollArea(parent);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setWidgetResizable(true);
    WindowStyle::PaintBackground(*ScrollBox1->viewport(), Qt::white);

    NoteArea = new QWidget;
    NoteArea->setObjectName(QStringLiteral("NoteArea"));
    NoteArea->setFixedHeight(kRollHeight);
    NoteArea->setMinimumWidth(kViewLeft);
    WindowStyle::PaintBackground(*NoteArea, Qt::white);
    Image1 = new TKeyboardPicture(NoteArea);
    Image1->move(0, 0);
    NotesPB = new TPianoRoll(NoteArea);
    NotesPB->setGeometry(kViewLeft, 0, kInitialSize.width() - kViewLeft, kRollHeight);
    Marker = new QLabel(NoteArea);
    Marker->setObjectName(QStringLiteral("Marker"));
    Marker->setPixmap(MarkerPicture());
    Marker->resize(kMarkerSize);
    Marker->hide();
    Marker->raise();
    ScrollBox1->setWidget(NoteArea);
}

void EditorWidgets::BuildPanel(QWidget* parent) {
    Panel1 = new QFrame(parent);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::NoFrame);

    const Qt::Alignment right = Qt::AlignRight | Qt::AlignTop;
    Amp100Lbl = AddLabel(Panel1, "Amp100Lbl", QStringLiteral("100"), {37, 0, 24, 13}, right);
    Amp75Lbl = AddLabel(Panel1, "Amp75Lbl", QStringLiteral("75"), {37, 25, 24, 13}, right);
    Amp50Lbl = AddLabel(Panel1, "Amp50Lbl", QStringLiteral("50"), {37, 57, 24, 13}, right);
    Amp25Lbl = AddLabel(Panel1, "Amp25Lbl", QStringLiteral("25"), {37, 90, 24, 13}, right);
    Amp0Lbl = AddLabel(Panel1, "Amp0Lbl", QStringLiteral("0"), {37, 116, 24, 13}, right);

    AmpsPB = new TPaintBox(Panel1);
    AmpsPB->setObjectName(QStringLiteral("AmpsPB"));
    AmpsPB->setGeometry(kViewLeft, 0, kInitialSize.width() - kViewLeft, kVelocityStripHeight);

    CloseBtn = MakeRoundButton(Panel1, "CloseBtn", QStringLiteral("Close"), {},
                               QRect(QPoint(8, 136), kButtonSize));
    Label1 = AddLabel(Panel1, "Label1", QStringLiteral("Key Signature:"), {72, 139, 80, 16});
    FitFont(*Label1);
    KeyCombo = new QComboBox(Panel1);
    KeyCombo->setObjectName(QStringLiteral("KeyCombo"));
    KeyCombo->setEditable(false);
    for (const std::string_view name : KeySignatureNames())
        KeyCombo->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    // A combo box selects its first entry as soon as it has one: no key
    // is chosen until the estimate or the user chooses one.
    KeyCombo->setCurrentIndex(-1);
    KeyCombo->setGeometry(152, 135, 169, 24);
    BeatsBtn =
        MakeRoundButton(Panel1, "BeatsBtn", QStringLiteral("Beats"), QStringLiteral("Detect beats"),
                        QRect(QPoint(344, 136), kButtonSize));
}

void EditorWidgets::Arrange(QSize client) {
    const int width = client.width();
    const int timeTop = client.height() - kTimeBarHeight;
    const int panelTop = timeTop - kGap - kPanelHeight;
    TimePosition->setGeometry(kViewLeft, timeTop, std::max(width - kViewLeft, 0), kTimeBarHeight);
    Panel1->setGeometry(0, panelTop, width, kPanelHeight);
    ScrollBox1->setGeometry(0, 0, width, std::clamp(panelTop - kGap, 0, kRollHeight));
    StretchViews();
}

void EditorWidgets::StretchViews() {
    const int viewWidth = std::max(NoteArea->width() - kViewLeft, 0);
    NotesPB->resize(viewWidth, kRollHeight);
    AmpsPB->resize(viewWidth, kVelocityStripHeight);
}

} // namespace trx
