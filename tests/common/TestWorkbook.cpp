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
                  "def plain(c):\n"
                  "    v = c.value\n"
                  "    if v is None: return ''\n"
                  "    if not isinstance(v, (int, float)): return 's'\n"
                  "    if '%' in (c.number_format or ''): return 'p'\n"
                  "    return 'd' if c.number_format == '0.00' else 'n'\n"
                  "def kind(c):\n"
                  "    fill = getattr(c, 'fill', None)\n"
                  "    return ('m' if fill is not None and fill.fill_type == 'solid' else '') + plain(c)\n"
                  "def text(v):\n"
                  "    if isinstance(v, float) and v.is_integer(): v = int(v)\n"
                  "    return '' if v is None else str(v)\n"
                  "out = []\n"
                  "for sheet in book.worksheets:\n"
                  "    rows = [list(r) for r in sheet.iter_rows()]\n"
                  "    out.append({'name': sheet.title, 'rows': [[text(c.value) for c in r] for r in rows],\n"
                  "                'kinds': [[kind(c) for c in r] for r in rows],\n"
                  "                'title': book.properties.title or ''})\n"
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
                        table(sheet.toObject().value("kinds")), sheet.toObject().value("title").toString()};
    return sheets;
}

Sheet readWorkbook(const QString &path)
{
    return readWorkbookSheets(path).value(0);
}
