#include "MainWindowUi.h"

#include "ProvinceTable.h"
#include "Widgets.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

using Widgets::indexed;
using Widgets::named;

void MainWindowUi::setupUi(QMainWindow *window)
{
    window->setObjectName(QStringLiteral("frmMain"));
    // Menus.
    QMenuBar *bar = window->menuBar();
    mnuLsgl = named(bar->addMenu(QStringLiteral("历史管理(&H)")), QStringLiteral("mnuLsgl"));
    mnuDcls = named(mnuLsgl->addAction(QStringLiteral("导出历史号码(&O)")), QStringLiteral("mnuDcls"));
    mnuErase = named(mnuLsgl->addAction(QStringLiteral("删除最后历史(&E)")), QStringLiteral("mnuErase"));
    mnuClear = named(mnuLsgl->addAction(QStringLiteral("清空历史号码(&C)")), QStringLiteral("mnuClear"));
    mnuDlzd = named(mnuLsgl->addAction(QStringLiteral("删除到选定期(&D)")), QStringLiteral("mnuDlzd"));
    mnuEszhzd =
        named(mnuLsgl->addAction(QStringLiteral("删除最后指定数量期历史(&N)")), QStringLiteral("mnuEszhzd"));
    mnuLsgl->addSeparator();
    mnuPaste = named(mnuLsgl->addAction(QStringLiteral("粘贴开奖号码(&P)…")), QStringLiteral("mnuPaste"));
    mnuUndo = named(mnuLsgl->addAction(QStringLiteral("撤销上次删除(&U)")), QStringLiteral("mnuUndo"));
    mnuUndo->setShortcut(QKeySequence::Undo);
    mnuRestore = named(mnuLsgl->addAction(QStringLiteral("恢复备份(&B)…")), QStringLiteral("mnuRestore"));
    mnuLsgl->addSeparator();
    mnuQueqi = named(mnuLsgl->addAction(QStringLiteral("缺期(&Q)…")), QStringLiteral("mnuQueqi"));

    mnuSetup = named(bar->addMenu(QStringLiteral("设置(&Z)")), QStringLiteral("mnuSetup"));
    mnuDscsSetup =
        named(mnuSetup->addMenu(QStringLiteral("段数参数设置(&A)")), QStringLiteral("mnuDscsSetup"));
    for (int i = 0; i < 2; ++i) {
        QAction *entry =
            mnuDscsSetup->addAction(i == 0 ? QStringLiteral("段数参数0~2") : QStringLiteral("段数参数1~3"));
        entry->setObjectName(indexed("mnuDscs", i));
        entry->setCheckable(true);
        mnuDscs.insert(i, entry);
    }
    mnuSetup->addSeparator();
    mnuSetDay =
        named(mnuSetup->addAction(QStringLiteral("历史号码更新检索天(&Y)")), QStringLiteral("mnuSetDay"));
    mnuUpdateHost =
        named(mnuSetup->addAction(QStringLiteral("开奖网址(&U)…")), QStringLiteral("mnuUpdateHost"));
    mnuJiangjin = named(mnuSetup->addAction(QStringLiteral("奖金表(&J)…")), QStringLiteral("mnuJiangjin"));
    mnuXiane = named(mnuSetup->addAction(QStringLiteral("每日投注限额(&L)…")), QStringLiteral("mnuXiane"));
    mnuMeitian = named(mnuSetup->addAction(QStringLiteral("每天期数(&M)…")), QStringLiteral("mnuMeitian"));
    mnuKaijiang = named(mnuSetup->addAction(QStringLiteral("开奖时间(&T)…")), QStringLiteral("mnuKaijiang"));
    mnuZidong = named(mnuSetup->addMenu(QStringLiteral("自动更新(&Z)")), QStringLiteral("mnuZidong"));
    mnuHomePage =
        named(mnuSetup->addAction(QStringLiteral("软件介绍服务主页(&P)")), QStringLiteral("mnuHomePage"));
    mnuIntroPage =
        named(mnuSetup->addAction(QStringLiteral("软件介绍说明页面(&R)")), QStringLiteral("mnuIntroPage"));
    mnuDemoPage =
        named(mnuSetup->addAction(QStringLiteral("软件使用说明(&D)")), QStringLiteral("mnuDemoPage"));
    mnuSetup->addSeparator();

    mnuFenxi = named(bar->addMenu(QStringLiteral("分析(&F)")), QStringLiteral("mnuFenxi"));
    mnuHuice = named(mnuFenxi->addAction(QStringLiteral("跟号回测(&B)…")), QStringLiteral("mnuHuice"));
    mnuTubiao = named(mnuFenxi->addAction(QStringLiteral("统计图表(&C)…")), QStringLiteral("mnuTubiao"));
    mnuZoushi = named(mnuFenxi->addAction(QStringLiteral("走势与遗漏(&T)…")), QStringLiteral("mnuZoushi"));
    mnuTouzhu = named(mnuFenxi->addAction(QStringLiteral("投注记录(&L)…")), QStringLiteral("mnuTouzhu"));
    mnuFenxi->addSeparator();
    mnuFenxiHelp =
        named(mnuFenxi->addAction(QStringLiteral("回测与统计说明(&H)")), QStringLiteral("mnuFenxiHelp"));

    mnuCaizhong = named(bar->addMenu(QStringLiteral("彩种选择(&C)")), QStringLiteral("mnuCaizhong"));
    for (int i = 0; i < ProvinceTable::Count; ++i) {
        QAction *entry = mnuCaizhong->addAction(ProvinceTable::at(i).caption);
        entry->setObjectName(indexed("mnuK3", i));
        entry->setCheckable(true);
        mnuK3.insert(i, entry);
    }

    lblStatus = named(new QLabel, QStringLiteral("lblStatus"));
    lblStatus->setAccessibleName(QStringLiteral("状态"));
    lblStatus->setWordWrap(true); // a long message takes two lines rather than widening the window
    window->statusBar()->addWidget(lblStatus, 1);
    prgUpdate = named(new QProgressBar, QStringLiteral("prgUpdate"));
    prgUpdate->setRange(0, 0);
    prgUpdate->setMaximumWidth(160);
    prgUpdate->setVisible(false);
    cmdUpdateCancel = named(new QPushButton(QStringLiteral("取消")), QStringLiteral("cmdUpdateCancel"));
    cmdUpdateCancel->setVisible(false);
    window->statusBar()->addPermanentWidget(prgUpdate);
    window->statusBar()->addPermanentWidget(cmdUpdateCancel);
}

void MainWindowUi::showProgress(qint64 done, qint64 total)
{
    if (done < 0) {
        prgUpdate->setVisible(false);
        prgUpdate->setRange(0, 0);
        return;
    }
    prgUpdate->setRange(0, int(std::min<qint64>(total, std::numeric_limits<int>::max())));
    prgUpdate->setValue(int(std::min<qint64>(done, std::numeric_limits<int>::max())));
    prgUpdate->setVisible(true);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindowUi::setWritersEnabled(bool enabled)
{
    for (QAction *writer : {mnuErase, mnuClear, mnuDlzd, mnuEszhzd, mnuPaste, mnuUndo, mnuRestore})
        writer->setEnabled(enabled);
}
