// Pieces the dialogs of both programs build alike: the OK / Cancel / Help row, a dialog
// placed in the middle of the screen, and how a typed number goes into the settings file.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QBoxLayout;
class QDialog;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vindelor {

// A push button with an object name, so tests and style sheets can find it.
QPushButton* NamedButton(QWidget* parent, const char* name, const QString& text = QString());

// A line edit with an object name and its first text.
QLineEdit* NamedEdit(QWidget* parent, const char* name, const QString& text);

// The buttons of a settings page: OK (the default button) and Cancel, named OkButton and
// CancelButton, at the right of a row of their own. Cancel rejects the page; OK is the
// caller's to connect.
struct OkCancelRow {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QHBoxLayout* row = nullptr;
};
OkCancelRow AddOkCancel(QDialog* page);

// Refuses a page's entries: tells the user what is wrong with `field` (`why`) and that
// nothing on the page was stored, then puts the cursor there with its text selected.
void RefuseEntry(QWidget* page, QWidget* field, const QString& why);

// The buttons of a dialog that saves or cancels and has help: OK (the default button),
// Cancel and Help, named BitBtn1, BitBtn2 and BitBtn3, appended to `row` in that order.
// Cancel and Help take their captions from the language texts later.
struct OkCancelHelp {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* help = nullptr;
};
OkCancelHelp AddOkCancelHelp(QWidget* parent, QBoxLayout* row, const QString& okText);

// Gives `dialog` at least its design size (more when its texts need it), fixes it there
// (a dialog's size is not the user's to change, so it has no maximise button) and puts
// it in the middle of its opener's screen, or of the primary screen without an opener.
void CentreOnScreen(QWidget* dialog, const QSize& designSize);

// Where a window of `size` asked to stand at `wanted` (its frame's top left corner) goes
// so that it lies whole inside `area`; one larger than the area keeps its top left corner
// in the area, so its title bar stays within reach.
QPoint PlaceInside(const QPoint& wanted, const QSize& size, const QRect& area);

// Moves `window` to `wanted`, placed inside the available area of the screen it opens on:
// the screen under `wanted`, else the window's own. A place stored on a larger screen or
// beside a screen since unplugged still opens in reach.
void MoveOntoScreen(QWidget* window, const QPoint& wanted);

// What a dialog stores for a whole-number entry that it accepted as `value`: the text as
// typed ("007" stays "007") when every reader of the key gets `value` back from it.
// Readers take the leading decimal digits of at most `storedChars` characters, so an
// entry that would read back as another number (a "$" hexadecimal entry, one longer than
// the readers read, leading blanks that push digits out of reach) is stored as plain
// decimal text instead.
QString StoredEntry(const QString& typed, int value, int storedChars);

// Tells the user, in their language, that a dialog's setting could not be stored and why:
// `error` is the failed write's own error number (EIO when it gave none).
void ShowSettingNotSaved(QWidget* parent, int error);

}  // namespace vindelor
