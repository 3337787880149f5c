#include "GridActions.h"

#include "BusyCursor.h"
#include "Dialogs.h"
#include "GridExport.h"
#include "GridModel.h"
#include "GridView.h"
#include "Launcher.h"
#include "ProvinceTable.h"
#include "Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMainWindow>
#include <QScrollBar>
#include <QWheelEvent>

QString openOrSayWhere(Launcher &launcher, const QString &path, const QString &what)
{
    if (launcher.openFile(path))
        return QStringLiteral("已打开%1：%2").arg(what, QDir::toNativeSeparators(path));
    return QStringLiteral("%1已保存在 %2（桌面没有可以打开它的程序）").arg(what, QDir::toNativeSeparators(path));
}

GridActions::GridActions(QMainWindow *window, const AppServices &services, std::array<GridView *, 3> views)
    : QObject(window)
    , m_window(window)
    , m_services(services)
    , m_views(views)
{
    for (GridView *view : m_views) {
        view->viewport()->installEventFilter(this);
        view->horizontalHeader()->installEventFilter(this);
    }
    window->installEventFilter(this);
}

bool mayWriteExport(Dialogs &dialogs, QWidget *parent, const QString &path, int game)
{
    const QString name = QFileInfo(path).fileName();
    const std::optional<int> written = Settings().exportGame(name);
    if (!QFileInfo::exists(path) || !written || *written == game)
        return true;
    return dialogs.question(parent, QStringLiteral("导出到电子表格"),
                            QStringLiteral("%1 是%2的导出。替换成%3的吗？").arg(name, ProvinceTable::at(*written).caption,
                                                                        ProvinceTable::at(game).caption),
                            QStringLiteral("替换"));
}

void exportWritten(const QString &path, int game)
{
    Settings().setExportGame(QFileInfo(path).fileName(), game);
}

QString exportTitle(int game, const QString &what)
{
    return ProvinceTable::at(game).caption + QLatin1Char(' ') + what;
}

void GridActions::exportGrid(int n, bool fromMenu)
{
    if (n == 1 && beforeHistoryExport)
        beforeHistoryExport();
    const QString path = QDir(m_services.userFolder()).filePath(GridExport::fileName(n));
    const int shown = game ? game() : 0;
    if (!mayWriteExport(*m_services.dialogs, m_window, path, shown))
        return emit statusMessage(QStringLiteral("没有导出：%1 保留原来的内容").arg(GridExport::fileName(n)));
    QString error;
    GridModel &grid = *m_views[size_t(n - 1)]->grid();
    const BusyCursor busy;
    if (fromMenu)
        grid.setVisible(false);
    // The result workbooks' conditions name the game searched (the results go when it changes).
    QList<QPair<QString, QString>> conditions = n > 1 && searchConditions ? searchConditions() : QList<QPair<QString, QString>>{};
    if (!conditions.isEmpty())
        conditions.prepend({QStringLiteral("彩种"), ProvinceTable::at(shown).caption});
    static const QString what[] = {QStringLiteral("历史号码"), QStringLiteral("检索结果"), QStringLiteral("统计结果")};
    const bool written = GridExport::write(grid, path, &error, conditions,
                                           n == 3 && statisticsNotes ? statisticsNotes() : QStringList{},
                                           exportTitle(shown, what[n - 1]));
    grid.setVisible(true);
    if (written)
        exportWritten(path, shown);
    if (!written) {
        m_services.dialogs->message(
            m_window, QStringLiteral("导出到电子表格"),
            QStringLiteral("无法写入电子表格文件：\n%1\n%2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    emit statusMessage(openOrSayWhere(*m_services.launcher, path, QStringLiteral("电子表格")));
}

bool GridActions::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int n = 1; n <= 3; ++n) {
            if (watched == m_views[size_t(n - 1)]->viewport() || watched == m_views[size_t(n - 1)]->horizontalHeader()) {
                exportGrid(n, false);
                return true;
            }
        }
    }
    // Wheel turns reach the window when no control under the mouse took them: one row a turn,
    // towards the user down, away from the user up to the first row.
    if (watched == m_window && event->type() == QEvent::Wheel) {
        for (GridView *view : m_views) {
            if (!view->hasFocus())
                continue;
            QScrollBar *bar = view->verticalScrollBar();
            bar->setValue(bar->value() + (static_cast<QWheelEvent *>(event)->angleDelta().y() <= 0 ? 1 : -1));
            event->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
