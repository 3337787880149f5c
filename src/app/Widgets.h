#pragma once

#include <QAbstractButton>
#include <QHash>
#include <QLineEdit>
#include <QObject>
#include <QString>
#include <functional>

class QButtonGroup;
class QLabel;
class QRadioButton;
class QWidget;

// Small helpers the panels build their controls with. Each control's objectName is its name in
// the control tables, array index included ("Option1(3)").
namespace Widgets {

QString indexed(const char *name, int index);

template<typename T> T *named(T *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

QRadioButton *radio(QHash<int, QRadioButton *> &array, const char *name, int index, const QString &caption,
                    QButtonGroup *group);

// A one-character box that takes only the given digits ("1-6"), wide enough to read its digit.
QLineEdit *digitBox(const QString &name, const QString &digits, QLineEdit *box = nullptr);

// A box that tells the digits a user types from every other change of its text: its own undo and
// redo (Ctrl+Z belongs to the window), clearing, a programmatic setText. Only typing calls `typed`.
// It never traps: a digit typed into a full box replaces it, and a key it does not take is said.
class TypedBox : public QLineEdit
{
public:
    std::function<void()> typed;
    std::function<void()> backFromEmpty; // Backspace in the empty box
    std::function<void()> refused;       // a printable key the box does not take
    // Whether Ctrl+Z has typing to undo here (then `undoTyping` does it, not the window).
    std::function<bool()> holdsTyping;
    std::function<void()> undoTyping;

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    template<typename Edit> void edit(Edit &&edit, bool digitKey = false);
    bool undoesTyping() const { return holdsTyping && holdsTyping(); }
};

// Ctrl+Z (and redo) in a text box of `window` that has nothing of its own to undo goes to the
// window's shortcut instead of being swallowed by the box.
void routeUndoToWindow(QWidget *window);

// A message shown in a label that may be too narrow for it: wrapped there, whole in its tooltip, and
// given to a screen reader as the label's description.
void showMessage(QLabel *label, const QString &text);

// Connects every control of an array; the handler gets the control's index.
template<typename Control, typename Signal, typename Handler>
void connectEach(const QHash<int, Control *> &controls, Signal signal, QObject *context, Handler handler)
{
    for (auto it = controls.cbegin(); it != controls.cend(); ++it) {
        const int index = it.key();
        QObject::connect(it.value(), signal, context, [handler, index] { handler(index); });
    }
}

// Connects every option button of an array by its state, so a click, the keyboard and assistive
// technology count alike; the handler gets the index of the button that became checked.
template<typename Handler>
void connectChosen(const QHash<int, QRadioButton *> &buttons, QObject *context, Handler handler)
{
    for (auto it = buttons.cbegin(); it != buttons.cend(); ++it) {
        const int index = it.key();
        QObject::connect(it.value(), &QAbstractButton::toggled, context, [handler, index](bool checked) {
            if (checked)
                handler(index);
        });
    }
}

} // namespace Widgets
