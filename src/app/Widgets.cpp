#include "Widgets.h"

#include <QApplication>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QValidator>

namespace Widgets {

QString indexed(const char *name, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QRadioButton *radio(QHash<int, QRadioButton *> &array, const char *name, int index, const QString &caption,
                    QButtonGroup *group)
{
    auto *button = named(new QRadioButton(caption), indexed(name, index));
    array.insert(index, button);
    group->addButton(button, index);
    return button;
}

QLineEdit *digitBox(const QString &name, const QString &digits, QLineEdit *box)
{
    box = named(box ? box : new QLineEdit, name);
    box->setMaxLength(1);
    box->setAlignment(Qt::AlignCenter);
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[%1]").arg(digits)), box));
    // The frame and the text margins of every style leave room for the digit and the cursor.
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 24);
    return box;
}

namespace {

bool isUndoOrRedo(const QKeyEvent *key)
{
    return key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo);
}

// Lets the window's Ctrl+Z through a text box with nothing to undo.
class UndoRouter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<QLineEdit *>(watched);
        // A typed box decides for itself.
        if (dynamic_cast<TypedBox *>(box))
            return false;
        if (box && event->type() == QEvent::ShortcutOverride && isUndoOrRedo(static_cast<QKeyEvent *>(event)) &&
            !(static_cast<QKeyEvent *>(event)->matches(QKeySequence::Undo) ? box->isUndoAvailable()
                                                                            : box->isRedoAvailable())) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

bool TypedBox::event(QEvent *event)
{
    // The box keeps no undo of its own: Ctrl+Z and redo reach the window's shortcut, unless there
    // is typing to undo.
    if (event->type() == QEvent::ShortcutOverride && isUndoOrRedo(static_cast<QKeyEvent *>(event))) {
        if (static_cast<QKeyEvent *>(event)->matches(QKeySequence::Undo) && undoesTyping())
            event->accept();
        else
            event->ignore();
        return true;
    }
    return QLineEdit::event(event);
}

void TypedBox::keyPressEvent(QKeyEvent *event)
{
    if (isUndoOrRedo(event)) {
        if (event->matches(QKeySequence::Undo) && undoesTyping())
            undoTyping();
        else
            event->ignore();
        return;
    }
    if (event->key() == Qt::Key_Backspace && text().isEmpty()) {
        if (backFromEmpty)
            backFromEmpty();
        return;
    }
    const QString typedText = event->text();
    const bool printable = typedText.size() == 1 && typedText[0].isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (printable) {
        QString candidate = typedText;
        int position = 0;
        if (validator() && validator()->validate(candidate, position) != QValidator::Acceptable) {
            if (refused)
                refused();
            return;
        }
        // A full box takes the new digit in place of the old one.
        if (!text().isEmpty() && !hasSelectedText())
            selectAll();
    }
    edit([&] { QLineEdit::keyPressEvent(event); }, printable);
}

void TypedBox::inputMethodEvent(QInputMethodEvent *event)
{
    edit([&] { QLineEdit::inputMethodEvent(event); });
}

// A digit typed counts even when it replaces the same digit.
template<typename Edit> void TypedBox::edit(Edit &&edit, bool digitKey)
{
    const QString before = text();
    edit();
    if ((text() != before || digitKey) && !text().isEmpty() && typed)
        typed();
}

void routeUndoToWindow(QWidget *window)
{
    auto *router = new UndoRouter(window);
    for (QLineEdit *box : window->findChildren<QLineEdit *>())
        box->installEventFilter(router);
}

void showMessage(QLabel *label, const QString &text)
{
    label->setText(text);
    label->setToolTip(text);
    label->setAccessibleDescription(text);
}

} // namespace Widgets
