#pragma once

#include <QHash>

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QPushButton;

// The main window's own controls: the menus and the status bar. The panels make the rest.
struct MainWindowUi
{
    void setupUi(QMainWindow *window);
    // A large write's progress in the status bar; done < 0 hides it. Only painting goes on
    // meanwhile: no command can start in the middle of a write.
    void showProgress(qint64 done, qint64 total);
    // The menu entries that change the history (a read-only history has none).
    void setWritersEnabled(bool enabled);

    QLabel *lblStatus = nullptr; // the status bar's message, readable by assistive technology
    class QProgressBar *prgUpdate = nullptr; // while the results page loads or a large write runs
    QPushButton *cmdUpdateCancel = nullptr;
    QAction *mnuUpdateHost = nullptr;
    QAction *mnuJiangjin = nullptr;
    QAction *mnuXiane = nullptr;
    QAction *mnuMeitian = nullptr;
    QAction *mnuKaijiang = nullptr;
    QMenu *mnuZidong = nullptr;

    QMenu *mnuLsgl = nullptr;
    QAction *mnuDcls = nullptr;
    QAction *mnuErase = nullptr;
    QAction *mnuClear = nullptr;
    QAction *mnuDlzd = nullptr;
    QAction *mnuEszhzd = nullptr;
    QAction *mnuPaste = nullptr;   // 粘贴开奖号码
    QAction *mnuUndo = nullptr;    // 撤销上次删除
    QAction *mnuRestore = nullptr; // 恢复备份
    QAction *mnuQueqi = nullptr;   // 缺期…

    QMenu *mnuSetup = nullptr;
    QMenu *mnuDscsSetup = nullptr;
    QHash<int, QAction *> mnuDscs; // 0, 1
    QAction *mnuSetDay = nullptr;
    QAction *mnuHomePage = nullptr;
    QAction *mnuIntroPage = nullptr;
    QAction *mnuDemoPage = nullptr;

    QMenu *mnuFenxi = nullptr;
    QAction *mnuHuice = nullptr;
    QAction *mnuTubiao = nullptr;
    QAction *mnuZoushi = nullptr;
    QAction *mnuTouzhu = nullptr;
    QAction *mnuFenxiHelp = nullptr;

    QMenu *mnuCaizhong = nullptr;
    QHash<int, QAction *> mnuK3; // 0..14
};
