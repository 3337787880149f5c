#pragma once

#include "GridModel.h"
#include "GridView.h"
#include "MainWindow.h"
#include "ResultsPanel.h"
#include "SearchOptionsPanel.h"
#include "UpdateCommand.h"
#include "PageLoader.h"
#include "TestDoubles.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <memory>

// A main window over its own folder, settings and dialog script.
struct Harness
{
    TestFolder folder;
    ScriptedDialogs dialogs;
    RecordingLauncher launcher;
    FixedClock clock;
    HttpPageLoader pageLoader{3000};
    std::unique_ptr<MainWindow> window;
    QString documents; // the user's files' folder when not the program folder
    Notifier *notifier = nullptr;

    MainWindow &start()
    {
        window.reset();
        window = std::make_unique<MainWindow>(AppServices{&dialogs, &launcher, &clock, &pageLoader,
                                                          folder.path(), QStringLiteral(VK3_HELP_SOURCE),
                                                          documents, notifier});
        return *window;
    }
    template<typename T = QWidget> T *find(const QString &name) const { return window->findChild<T *>(name); }
    QString text(const QString &lineEdit) const { return find<QLineEdit>(lineEdit)->text(); }
    bool checked(const QString &button) const { return find<QAbstractButton>(button)->isChecked(); }
    GridModel &grid(int n) const { return *find<GridView>(QStringLiteral("MSFlexGrid%1").arg(n))->grid(); }
    QAction *action(const QString &name) const { return find<QAction>(name); }
};
