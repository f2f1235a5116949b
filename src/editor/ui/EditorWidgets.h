#pragma once

#include <QSize>

class QComboBox;
class QDialog;
class QFrame;
class QLabel;
class QScrollArea;
class QScrollBar;
class QWidget;

namespace trx {

class TKeyboardPicture;
class TPaintBox;
class TPianoRoll;
class THemisphereButton;

// The controls of the note editor, built on it with their names, captions,
// hints and places. The editor connects them to its handlers.
struct EditorWidgets {
    // Client size of the window when it opens the first time.
    static constexpr QSize kInitialSize{716, 702};
    // Pixels of the time scale left of both views: the keyboard, and the
    // velocity labels.
    static constexpr int kViewLeft = 64;
    static constexpr int kRollHeight = 512;

    // Builds every control on dialog, which owns them.
    void Build(QDialog& dialog);
    // Places the controls for a client area of this size: the note rows on
    // top, at most 512 high, the velocity panel and the time bar at the
    // bottom, all as wide as the window.
    void Arrange(QSize client);
    // Gives the piano roll and the velocity strip the width left of the
    // keyboard in ScrollBox1.
    void StretchViews();

    QScrollArea* ScrollBox1 = nullptr;
    // The scrolled area inside ScrollBox1, 512 high.
    QWidget* NoteArea = nullptr;
    TKeyboardPicture* Image1 = nullptr;
    TPianoRoll* NotesPB = nullptr;
    QLabel* Marker = nullptr;
    QScrollBar* TimePosition = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Amp100Lbl = nullptr;
    QLabel* Amp75Lbl = nullptr;
    QLabel* Amp50Lbl = nullptr;
    QLabel* Amp25Lbl = nullptr;
    QLabel* Amp0Lbl = nullptr;
    TPaintBox* AmpsPB = nullptr;
    THemisphereButton* CloseBtn = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* KeyCombo = nullptr;
    THemisphereButton* BeatsBtn = nullptr;

private:
    void BuildNoteArea(QWidget* parent);
    void BuildPanel(QWidget* parent);
};

} // namespace trx
