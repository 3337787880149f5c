#include "Widgets.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>

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

QLineEdit *digitBox(const QString &name, const QString &digits)
{
    auto *box = named(new QLineEdit, name);
    box->setMaxLength(1);
    box->setAlignment(Qt::AlignCenter);
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[%1]").arg(digits)), box));
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 2 + 14);
    return box;
}

} // namespace Widgets
