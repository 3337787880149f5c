// The controls of the search options and their layout.
#include "SearchOptionsPanel.h"

#include "Widgets.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QIntValidator>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>

using Widgets::indexed;
using Widgets::named;
using Widgets::radio;

namespace {

// Keeps a child box over the blank gap of a caption such as "前    期".
class GapPlacer : public QObject
{
public:
    GapPlacer(QRadioButton *button, QWidget *box, const QString &before)
        : QObject(button)
        , m_button(button)
        , m_box(box)
        , m_before(before)
    {
        button->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show ||
            event->type() == QEvent::Polish)
            place();
        return false;
    }

private:
    void place()
    {
        QStyleOptionButton option;
        option.initFrom(m_button);
        option.text = m_button->text();
        const QRect contents =
            m_button->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, m_button);
        const int x = contents.left() + m_button->fontMetrics().horizontalAdvance(m_before);
        m_box->move(x, (m_button->height() - m_box->height()) / 2);
        m_box->raise();
    }

    QRadioButton *m_button;
    QWidget *m_box;
    QString m_before;
};

} // namespace

void SearchOptionsPanel::buildControls()
{
    auto *options = new QGridLayout(this);
    options->setContentsMargins(0, 0, 0, 0);
    options->setVerticalSpacing(4);

    // A frame of exclusive option buttons, `perRow` to a row.
    using Choice = std::pair<int, QString>;
    auto optionFrame = [this](const QString &caption, QHash<int, QRadioButton *> &array, const char *name,
                                const QList<Choice> &choices, int perRow) {
        auto *box = new QGroupBox(caption);
        auto *group = new QButtonGroup(this);
        auto *layout = new QGridLayout(box);
        for (qsizetype i = 0; i < choices.size(); ++i)
            layout->addWidget(radio(array, name, choices[i].first, choices[i].second, group), int(i / perRow),
                              int(i % perRow));
        return box;
    };
    options->addWidget(optionFrame(QStringLiteral("检索位选择"), Option1, "Option1",
                                   {{1, QStringLiteral("自由位")}, {0, QStringLiteral("固定位")}}, 2),
                       0, 0);
    options->addWidget(optionFrame(QStringLiteral("检索期选择"), Option1, "Option1",
                                   {{3, QStringLiteral("上期")}, {2, QStringLiteral("前    期")}}, 2),
                       0, 1);
    // N sits in the blank of "前    期".
    QRadioButton *nBack = Option1.value(2);
    MaskEdBox2 = Widgets::digitBox(QStringLiteral("MaskEdBox2"), QStringLiteral("1-9"));
    MaskEdBox2->setParent(nBack);
    // Room for the digit and a frame: the caption's blank widens to the box (the caption's text
    // stays as it is), whatever the width of a space in the font.
    const int boxWidth = nBack->fontMetrics().horizontalAdvance(QStringLiteral("00")) + 8;
    QFont wider = nBack->font();
    const int missing = boxWidth + 4 - nBack->fontMetrics().horizontalAdvance(QStringLiteral("    "));
    // Letter spacing widens every character of "前    期" alike: its five gaps make the blank.
    wider.setLetterSpacing(QFont::AbsoluteSpacing, std::max(0, (missing + 4) / 5));
    nBack->setFont(wider);
    MaskEdBox2->setFont(QWidget::font());
    MaskEdBox2->setFixedSize(boxWidth, nBack->fontMetrics().height() + 2);
    MaskEdBox2->setStyleSheet(QStringLiteral("QLineEdit { padding: 0px; }"));
    new GapPlacer(nBack, MaskEdBox2, QStringLiteral("前"));

    const QList<Choice> kinds{{0, QStringLiteral("号码")},
                              {1, QStringLiteral("大小")},
                              {2, QStringLiteral("单双")},
                              {3, QStringLiteral("段数")}};
    options->addWidget(optionFrame(QStringLiteral("搜索类型选择"), Option3, "Option3", kinds, 2), 1, 0);
    options->addWidget(optionFrame(QStringLiteral("结果类型选择"), Option4, "Option4", kinds, 2), 1, 1);
    options->addWidget(optionFrame(QStringLiteral("号码组选择"), Option2, "Option2",
                                   {{5, QStringLiteral("组选")}, {4, QStringLiteral("直选")}}, 2),
                       2, 0);
    options->addWidget(
        optionFrame(
            QStringLiteral("结果统计选择"), Option5, "Option5",
            {{1, QStringLiteral("第1位")}, {2, QStringLiteral("第2位")}, {3, QStringLiteral("第3位")}}, 3),
        2, 1);

    // Pattern tabs: one frame per tab, only the selected one shown.
    auto *patternArea = new QWidget;
    auto *patternLayout = new QVBoxLayout(patternArea);
    patternLayout->setContentsMargins(0, 4, 0, 0);
    patternLayout->setSpacing(0);
    TabStrip1 = named(new QTabBar, QStringLiteral("TabStrip1"));
    TabStrip1->addTab(QStringLiteral("自动历史位"));
    TabStrip1->addTab(QStringLiteral("手动输入号"));
    TabStrip1->addTab(QStringLiteral("验证指定期"));
    TabStrip1->setExpanding(false);
    TabStrip1->setDrawBase(false);
    patternLayout->addWidget(TabStrip1);
    struct TabSpec
    {
        int tab;
        QHash<int, QCheckBox *> *checks;
        const char *checkName;
        QHash<int, QLineEdit *> *values;
        const char *valueName;
        int first;
    };
    const TabSpec tabs[] = {
        {1, &Check1, "Check1", &Text2, "Text2", 1},
        {2, &Check11, "Check11", &Text22, "Text22", 1},
        {3, &Check1, "Check1", &Text2, "Text2", 11},
    };
    for (const TabSpec &tabDef : tabs) {
        auto *box = named(new QGroupBox, indexed("TabFrame", tabDef.tab));
        auto *layout = new QGridLayout(box);
        layout->setContentsMargins(8, 6, 8, 6);
        for (int p = 0; p < 3; ++p) {
            const int index = tabDef.first + p;
            auto *check =
                named(new QCheckBox(QStringLiteral("第%1位").arg(p + 1)), indexed(tabDef.checkName, index));
            check->setChecked(true);
            tabDef.checks->insert(index, check);
            auto *value = named(new QLineEdit, indexed(tabDef.valueName, index));
            value->setAlignment(Qt::AlignCenter);
            value->setMaximumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
            value->setReadOnly(tabDef.tab != 2);
            tabDef.values->insert(index, value);
            layout->addWidget(check, 0, p);
            layout->addWidget(value, 1, p);
        }
        tabFrames.insert(tabDef.tab, box);
        patternLayout->addWidget(box);
        box->setVisible(tabDef.tab == 1);
    }
    verifyRow = new QWidget;
    auto *verifyLayout = new QHBoxLayout(verifyRow);
    verifyLayout->setContentsMargins(0, 4, 0, 0);
    verifyLayout->addWidget(new QLabel(QStringLiteral("期号")));
    Text4 = named(new QLineEdit(QStringLiteral("20161212001")), QStringLiteral("Text4"));
    verifyLayout->addWidget(Text4, 1);
    Check4 = named(new QCheckBox(QStringLiteral("仅检索该期前")), QStringLiteral("Check4"));
    verifyLayout->addWidget(Check4);
    patternLayout->addWidget(verifyRow);
    // Its room is kept while it is hidden, so that the panel does not jump when tab 3 shows it.
    QSizePolicy keepRoom = verifyRow->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    verifyRow->setSizePolicy(keepRoom);
    verifyRow->setVisible(false);
    options->addWidget(patternArea, 3, 0, 1, 2);

    auto *range = new QGroupBox(QStringLiteral("检索起止期数"));
    auto *rangeLayout = new QHBoxLayout(range);
    for (int i = 0; i < 2; ++i) {
        auto *box = named(new QLineEdit(QStringLiteral("2013001")), indexed("Text3", i));
        box->setAlignment(Qt::AlignCenter);
        Text3.insert(i, box);
        rangeLayout->addWidget(box, 1);
        if (i == 0)
            rangeLayout->addWidget(new QLabel(QStringLiteral("至")));
    }
    options->addWidget(range, 4, 0, 1, 2);

    Command1 = named(new QPushButton(QStringLiteral("检索(&S)")), QStringLiteral("Command1"));
    Command1->setMinimumHeight(48);
    QFont big = Command1->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    Command1->setFont(big);
    options->addWidget(Command1, 5, 0);

    auto *Frame5 = named(new QGroupBox(QStringLiteral("组合组位检索")), QStringLiteral("Frame5"));
    auto *comboLayout = new QGridLayout(Frame5);
    auto *Label1 = named(new QLabel(QStringLiteral("组合位数")), QStringLiteral("Label1"));
    Combo1 = named(new QComboBox, QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setValidator(new QIntValidator(1, 3, Combo1));
    comboLayout->addWidget(Label1, 0, 0);
    comboLayout->addWidget(Combo1, 0, 1);
    auto *redGroup = new QButtonGroup(this);
    comboLayout->addWidget(radio(Option6, "Option6", 0, QStringLiteral("红蓝"), redGroup), 1, 0);
    comboLayout->addWidget(radio(Option6, "Option6", 1, QStringLiteral("红球"), redGroup), 1, 1);
    for (QRadioButton *choice : {Option6.value(0), Option6.value(1)})
        choice->setToolTip(QStringLiteral("红蓝、红球只记下您的选择，不改变组合检索的结果（检索只看“组合位数”）"));
    Command2 = named(new QPushButton(QStringLiteral("组合检索(&G)")), QStringLiteral("Command2"));
    comboLayout->addWidget(Command2, 2, 0, 1, 2);
    options->addWidget(Frame5, 5, 1, 2, 1);

    Command9 = named(new QPushButton(QStringLiteral("软件设置(&T)")), QStringLiteral("Command9"));
    options->addWidget(Command9, 6, 0);
    options->setRowStretch(7, 1);


    // What assistive technology and UI automation read for the boxes.
    for (int p = 1; p <= 3; ++p) {
        Text2.value(p)->setAccessibleName(QStringLiteral("自动第%1位").arg(p));
        Text22.value(p)->setAccessibleName(QStringLiteral("手动第%1位").arg(p));
        Text2.value(p + 10)->setAccessibleName(QStringLiteral("验证第%1位").arg(p));
    }
    Text3.value(0)->setAccessibleName(QStringLiteral("检索起始期号"));
    Text3.value(1)->setAccessibleName(QStringLiteral("检索结束期号"));
    MaskEdBox2->setAccessibleName(QStringLiteral("前N期"));
    for (QHash<int, QRadioButton *> *kind : {&Option3, &Option4}) {
        kind->value(1)->setToolTip(QStringLiteral("本软件：3~6 为大，1~2 为小"));
        kind->value(3)->setToolTip(
            QStringLiteral("本软件：1、2 为第一段，3、4 为第二段，5、6 为第三段（段数参数见“设置”菜单）"));
    }
    Text4->setAccessibleName(QStringLiteral("验证期号"));
}
