// The Qt widget of each kind of control, as the station's window draws it: the fonts, captions
// fitted to their boxes, frames drawn as the layout expects, and the copying of a control's
// state into its widget.
#pragma once

#include <QRect>
#include <QString>

#include "app/ControlRegistry.h"
#include "ui/Layout.h"

class QCheckBox;
class QFont;
class QLabel;
class QLineEdit;
class QPalette;
class QPushButton;
class QScrollBar;
class QWidget;

namespace halyard::ui {

QFont FontFor(FontStyle style);

// A frame, label, button, text box, check box or bar at `geometry` (pixels) in `parent`,
// showing `caption`, in the layout's font and alignment. The tab control is the window's own.
QWidget* CreateWidget(ControlKind kind, const QString& caption, const ControlLayout& layout,
                      const QRect& geometry, QWidget* parent);

// The check box's value as the station counts it: 0 unchecked, 1 checked, 2 grey.
int16_t CheckBoxValue(const QCheckBox& check);

// Each copies only what differs, so an unchanged widget is not repainted. `idle` is false while
// an operation sits in a wait: the control is then disabled. `windowPalette` resolves the
// system colours.
void SyncLabel(QLabel& label, const LabelState& state, const QPalette& windowPalette);
void SyncButton(QPushButton& button, const ButtonState& state, bool idle);
// The box shows the station's text after every handler, including a box the operator may type
// into but the station only writes (ReservedRow): a stale typed text would read as a result.
void SyncTextBox(QLineEdit& edit, const TextBoxState& state, bool idle);
void SyncCheckBox(QCheckBox& check, const CheckBoxState& state, bool idle);
void SyncScrollBar(QScrollBar& bar, const ScrollBarState& state, bool idle);

}  // namespace halyard::ui
