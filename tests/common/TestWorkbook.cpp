#include "TestWorkbook.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

QList<Sheet> readWorkbookSheets(const QString &path)
{
    QProcess python;
    python.start("/usr/bin/python3",
                 {"-c",
                  "import json, sys, openpyxl\n"
                  "book = openpyxl.load_workbook(sys.argv[1], read_only=True)\n"
                  "def kind(v):\n"
                  "    return '' if v is None else 'n' if isinstance(v, (int, float)) else 's'\n"
                  "def text(v):\n"
                  "    return '' if v is None else str(v)\n"
                  "out = []\n"
                  "for sheet in book.worksheets:\n"
                  "    rows = list(sheet.iter_rows(values_only=True))\n"
                  "    out.append({'name': sheet.title, 'rows': [[text(v) for v in r] for r in rows],\n"
                  "                'kinds': [[kind(v) for v in r] for r in rows]})\n"
                  "print(json.dumps(out))\n",
                  path});
    python.waitForFinished(120000);
    if (python.exitCode() != 0)
        qWarning("%s", python.readAllStandardError().constData());
    QList<Sheet> sheets;
    auto table = [](const QJsonValue &value) {
        QList<QStringList> rows;
        for (const QJsonValue &row : value.toArray()) {
            QStringList cells;
            for (const QJsonValue &cell : row.toArray())
                cells << cell.toString();
            rows << cells;
        }
        return rows;
    };
    for (const QJsonValue &sheet : QJsonDocument::fromJson(python.readAllStandardOutput()).array())
        sheets << Sheet{sheet.toObject().value("name").toString(), table(sheet.toObject().value("rows")),
                        table(sheet.toObject().value("kinds"))};
    return sheets;
}

Sheet readWorkbook(const QString &path)
{
    return readWorkbookSheets(path).value(0);
}
