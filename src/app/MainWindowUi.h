#pragma once

#include <QHash>

class GridModel;
class GridView;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabBar;
class QWidget;

// Every control of the main window, created and laid out in one place. Each control's
// objectName is its name in the control tables, array index included ("Option1(3)").
struct MainWindowUi
{
    void setupUi(QMainWindow *window);

    GridModel *grid1 = nullptr; // history
    GridModel *grid2 = nullptr; // result list
    GridModel *grid3 = nullptr; // tally
    GridView *MSFlexGrid1 = nullptr;
    GridView *MSFlexGrid2 = nullptr;
    GridView *MSFlexGrid3 = nullptr;
    QLabel *lblGame = nullptr; // the selected game, on the next-issue line
    QLabel *lblStatus = nullptr;
    class QProgressBar *prgUpdate = nullptr; // while the results page loads
    QPushButton *cmdUpdateCancel = nullptr;
    QAction *mnuUpdateHost = nullptr; // the status bar's message, readable by assistive technology
    QLabel *lblFairness = nullptr;    // the tally against fair dice, under the statistics grid

    QLabel *Label12 = nullptr;
    QLineEdit *Text1 = nullptr;
    QHash<int, QLineEdit *> MaskEdBox1; // 1..3
    QLineEdit *MaskEdBox2 = nullptr;

    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command21 = nullptr;
    QPushButton *cmdRdLst = nullptr;
    QPushButton *Command9 = nullptr;

    QHash<int, QRadioButton *> Option1; // 0 固定位, 1 自由位, 2 前N期, 3 上期
    QHash<int, QRadioButton *> Option2; // 4 直选, 5 组选
    QHash<int, QRadioButton *> Option3; // search kind 0..3
    QHash<int, QRadioButton *> Option4; // display kind 0..3
    QHash<int, QRadioButton *> Option5; // tally position 1..3
    QHash<int, QRadioButton *> Option6; // 0 红蓝, 1 红球

    QTabBar *TabStrip1 = nullptr;
    QHash<int, QGroupBox *> tabFrames; // 1..3, one per tab
    QHash<int, QCheckBox *> Check1;    // 1..3 (tab 1), 11..13 (tab 3)
    QHash<int, QCheckBox *> Check11;   // 1..3 (tab 2)
    QHash<int, QLineEdit *> Text2;     // 1..3 (tab 1), 11..13 (tab 3)
    QHash<int, QLineEdit *> Text22;    // 1..3 (tab 2)
    QHash<int, QLineEdit *> Text3;     // 0 range start, 1 range end
    QLineEdit *Text4 = nullptr;
    QCheckBox *Check4 = nullptr;
    QWidget *verifyRow = nullptr; // holds Text4 and Check4

    QGroupBox *Frame5 = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *Combo1 = nullptr;

    QMenu *mnuLsgl = nullptr;
    QAction *mnuDcls = nullptr;
    QAction *mnuErase = nullptr;
    QAction *mnuClear = nullptr;
    QAction *mnuDlzd = nullptr;
    QAction *mnuEszhzd = nullptr;

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
    QAction *mnuFenxiHelp = nullptr;

    QMenu *mnuCaizhong = nullptr;
    QHash<int, QAction *> mnuK3; // 0..14
};
