#include "core/ucommon.h"
#include "gui_test_support.h"
#include "interface_pictures.h"
#include "ui/picture_box.h"
#include "ui/picture_button.h"
#include "ui/skin.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace quenbo;
using namespace quenbo::testsupport;

namespace {

// Nothing listens there, so the first loading fails at once without a network.
const std::string kDeadBase = "http://127.0.0.1:9";

std::string deadConfig()
{
    return protectedConfig(sandboxSettings(kDeadBase));
}

QRgb pixelOf(const QImage &image, QPoint at)
{
    return image.pixelColor(at).rgb() & 0xFFFFFF;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void geometryFollowsTheResizeRule_data();
    void geometryFollowsTheResizeRule();
    void controlsHaveTheirDesignedTextsAndStates();
    void menusHaveTheirCaptionsAndVisibility_data();
    void menusHaveTheirCaptionsAndVisibility();
    void pictureButtonsShowTheirStatePictures();
    void missingStatePicturesFallBack();
    void withoutPicturesTheWindowStillOpens();
    void startUpFailuresNameTheFileOrSetting_data();
    void startUpFailuresNameTheFileOrSetting();
    void errorDisplayAppendsAPoint_data();
    void errorDisplayAppendsAPoint();

private:
    std::unique_ptr<Tfrm_main> makeWindow(const std::set<std::string> &omit = {});

    ProgramFolder m_folder;
};

void MainWindowTest::initTestCase()
{
    installFontSubstitutions();
}

void MainWindowTest::cleanup()
{
    verifyNoWindowLeft();
}

std::unique_ptr<Tfrm_main> MainWindowTest::makeWindow(const std::set<std::string> &omit)
{
    Entries entries = interfacePictures();
    for (const std::string &name : omit)
        entries.erase(name);
    m_folder.writeArchive(deadConfig(), entries);
    return std::make_unique<Tfrm_main>(appDir(m_folder));
}

void MainWindowTest::geometryFollowsTheResizeRule_data()
{
    QTest::addColumn<QSize>("client");
    QTest::newRow("designed outer size") << QSize(900, 650);
    QTest::newRow("smaller") << QSize(640, 480);
    QTest::newRow("larger") << QSize(1280, 960);
    QTest::newRow("narrow") << QSize(420, 300);
}

void MainWindowTest::geometryFollowsTheResizeRule()
{
    QFETCH(QSize, client);
    auto window = makeWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->setFixedSize(client);
    const int w = client.width();
    const int h = client.height();
    QCOMPARE(window->size(), client);
    QCOMPARE(ui(window).MenuBar->geometry(), QRect(0, 0, w, 22));
    QCOMPARE(ui(window).pnl_left->geometry(), QRect(1, 24, 205, h - 26));
    QCOMPARE(ui(window).pnl_top->geometry(), QRect(207, 24, w - 209, 40));
    QCOMPARE(ui(window).pnl_bottom->geometry(), QRect(207, 66, w - 209, h - 90));
    QCOMPARE(ui(window).pnl_Ttop->geometry(), QRect(1, 1, w - 211, 25));
    QCOMPARE(ui(window).itemTree->geometry(), QRect(1, 26, w - 211, h - 117));
    QCOMPARE(window->ItemListPresenter().Delegate().columnWidth(),
             ui(window).itemTree->width() - 20);
    QCOMPARE(ui(window).E_Serch->geometry(), QRect(181, 5, 390, 22));
    QCOMPARE(ui(window).b_Srech->geometry(), QRect(576, 4, 106, 27));
    QCOMPARE(ui(window).img_shopclass->geometry(), QRect(1, 40, 203, 24));
    QCOMPARE(ui(window).vlefttree->geometry(),
             QRect(2, 64, 202, ui(window).pnl_left->height() - 65));
    QCOMPARE(ui(window).pnl_load->geometry(), QRect(2, 64, 197, 47));
    QCOMPARE(ui(window).pnl_PageControls->geometry(), QRect(w - 224, h - 23, 219, 24));
    QCOMPARE(ui(window).pnl_PageControls->geometry().top(),
             ui(window).pnl_bottom->geometry().bottom() + 2);
    QCOMPARE(ui(window).b_fshop->x(), ui(window).pnl_Ttop->width() - 75);
}

void MainWindowTest::controlsHaveTheirDesignedTextsAndStates()
{
    auto window = makeWindow();
    QCOMPARE(window->windowTitle(), QStringLiteral("Quenbo"));
    QCOMPARE(window->size(), QSize(Tfrm_main::kOuterWidth, Tfrm_main::kOuterHeight));
    QCOMPARE(window->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(window->font().pixelSize(), 11);

    const struct {
        QWidget *widget;
        QWidget *parent;
    } parents[] = {{ui(window).b_sc, ui(window).pnl_left},
                   {ui(window).vlefttree, ui(window).pnl_left},
                   {ui(window).img_load, ui(window).pnl_load},
                   {ui(window).pnl_load, ui(window).pnl_left},
                   {ui(window).E_Serch, ui(window).pnl_top},
                   {ui(window).b_Srech, ui(window).pnl_top},
                   {ui(window).b_fshop, ui(window).pnl_Ttop},
                   {ui(window).itemTree, ui(window).pnl_bottom},
                   {ui(window).b_Pnext, ui(window).pnl_PageControls}};
    for (const auto &p : parents)
        QCOMPARE(p.widget->parentWidget(), p.parent);

    QCOMPARE(ui(window).Label2->text(), QStringLiteral("关键字："));
    QCOMPARE(ui(window).L_Sort->text(), QStringLiteral("排序切换："));
    QCOMPARE(ui(window).L_Sort->font().family(), QStringLiteral("新宋体"));
    QCOMPARE(ui(window).L_Sort->palette().color(QPalette::WindowText), QColor(76, 76, 76));
    QCOMPARE(ui(window).E_Serch->font().family(), QStringLiteral("Arial"));
    QCOMPARE(ui(window).E_Serch->font().pixelSize(), 14);
    QVERIFY(ui(window).E_Serch->text().isEmpty());
    QCOMPARE(ui(window).B_PFrist->text(), QStringLiteral("上一页"));
    QCOMPARE(ui(window).b_Pnext->text(), QStringLiteral("下一页"));
    QCOMPARE(ui(window).b_xin->toolTip(), QStringLiteral("信用升降排序"));
    QCOMPARE(ui(window).b_jiage->toolTip(), QStringLiteral("价格升降排序"));
    QCOMPARE(ui(window).b_xiao->toolTip(), QStringLiteral("销量升降排序"));
    QCOMPARE(ui(window).b_fan->toolTip(), QStringLiteral("返现金额升降排序"));

    QStringList sortCaptions;
    for (int i = 0; i < ui(window).cb_paixu->count(); ++i)
        sortCaptions << ui(window).cb_paixu->itemText(i);
    QCOMPARE(sortCaptions, (QStringList{"默认排序", "价格从低到高", "价格从高到低", "信用从高到低",
                                        "销量成高到低"}));
    QCOMPARE(ui(window).cb_paixu->currentIndex(), 0);
    QCOMPARE(ui(window).cb_paixu->maxVisibleItems(), 8);
    QCOMPARE(ui(window).cbox_pagecount->count(), 99);
    for (int i = 0; i < 99; ++i)
        QCOMPARE(ui(window).cbox_pagecount->itemText(i), QString::number(i + 1));
    QCOMPARE(ui(window).cbox_pagecount->currentIndex(), 0);
    QCOMPARE(ui(window).cbox_pagecount->maxVisibleItems(), 8);

    QVERIFY(!ui(window).pnl_PageControls->isEnabled());
    QVERIFY(!ui(window).b_Pnext->isEnabled());
    QCOMPARE(ui(window).pnl_PageControls->palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(ui(window).b_fshop->isHidden());
    QVERIFY(!ui(window).pnl_load->isHidden());
    QVERIFY(ui(window).img_load->isAnimating());
    QVERIFY(!ui(window).img_shopclass->currentPicture().isNull());
    QVERIFY(!ui(window).trm_load->isActive());
    QCOMPARE(ui(window).trm_load->interval(), 1000);

    const SearchSession &session = window->Session();
    QCOMPARE(session.mode(), SearchMode::None);
    QCOMPARE(session.pageNo(), 1);
    QVERIFY(session.keyword().empty() && session.categoryId().empty() &&
            session.lastAddress().empty());

    for (PictureButton *button :
         {ui(window).b_sc, ui(window).b_Srech, ui(window).b_xin, ui(window).b_jiage,
          ui(window).b_xiao, ui(window).b_fan, ui(window).b_fshop})
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
    QList<QWidget *> chain;
    for (QWidget *w = ui(window).vlefttree; chain.size() < 7; w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            chain << w;
    QCOMPARE(chain, (QList<QWidget *>{ui(window).vlefttree, ui(window).E_Serch, ui(window).cb_paixu,
                                      ui(window).itemTree, ui(window).B_PFrist,
                                      ui(window).cbox_pagecount, ui(window).b_Pnext}));

    // The controls inside the skinned panels write in the window font too, once shown, and
    // so do the lists that the drop-down boxes open.
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    for (QWidget *control : std::initializer_list<QWidget *>{
             ui(window).Label2, ui(window).cb_paixu, ui(window).cb_paixu->view(),
             ui(window).B_PFrist, ui(window).b_Pnext, ui(window).cbox_pagecount,
             ui(window).cbox_pagecount->view()}) {
        QVERIFY2(control->font().family() == QStringLiteral("Tahoma"),
                 qPrintable(control->metaObject()->className()));
        QCOMPARE(control->font().pixelSize(), 11);
    }
}

void MainWindowTest::menusHaveTheirCaptionsAndVisibility_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("visible");
    QTest::newRow("N1") << "N1"
                        << "文   件(&F)" << true;
    QTest::newRow("N2") << "N2"
                        << "退出" << true;
    QTest::newRow("N3") << "N3"
                        << "设   置(&S)" << true;
    QTest::newRow("N4") << "N4"
                        << "数据缓存" << true;
    QTest::newRow("N5") << "N5"
                        << "帮   助(&H)" << true;
    QTest::newRow("N6") << "N6"
                        << "关于软件" << false;
    QTest::newRow("N7") << "N7"
                        << "在线帮助" << true;
    QTest::newRow("N8") << "N8"
                        << "意见反馈" << true;
    QTest::newRow("N_Db") << "N_Db"
                          << "相近商品" << true;
    QTest::newRow("N10") << "N10"
                         << "" << true;
    QTest::newRow("N_Goshop") << "N_Goshop"
                              << "进入店铺" << true;
}

void MainWindowTest::menusHaveTheirCaptionsAndVisibility()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(bool, visible);
    auto window = makeWindow();
    auto *action = window->findChild<QAction *>(name);
    QVERIFY(action);
    QCOMPARE(action->text(), caption);
    QCOMPARE(action->isVisible(), visible);
    if (name == QLatin1String("N10"))
        QVERIFY(action->isSeparator());
    if (name == QLatin1String("N4")) {
        QVERIFY(action->isCheckable());
        QCOMPARE(action->isChecked(), window->Common().Settings.DataCache);
    }
    QList<QAction *> bar = ui(window).MenuBar->actions();
    QCOMPARE(bar, (QList<QAction *>{ui(window).N1, ui(window).N3, ui(window).N5}));
    QCOMPARE(ui(window).Pop_MShop->actions(),
             (QList<QAction *>{ui(window).N_Db, ui(window).N10, ui(window).N_Goshop}));
}

void MainWindowTest::pictureButtonsShowTheirStatePictures()
{
    auto window = makeWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    PictureButton *button = ui(window).b_xin;
    QCOMPARE(button->geometry(), QRect(68, 3, 42, 19));
    const QPoint inside(3, 3);
    QCOMPARE(pixelOf(button->grab().toImage(), inside), QRgb(stateColour(1)));

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(button, &enter);
    QVERIFY(button->isHot());
    QCOMPARE(pixelOf(button->grab().toImage(), inside), QRgb(stateColour(2)));

    button->setDown(true);
    QCOMPARE(pixelOf(button->grab().toImage(), inside), QRgb(stateColour(3)));
    button->setDown(false);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
    QCOMPARE(pixelOf(button->grab().toImage(), inside), QRgb(stateColour(1)));
}

void MainWindowTest::missingStatePicturesFallBack()
{
    auto window = makeWindow({"xin_2.bmp", "xin_3.bmp", "jia_3.bmp"});
    const struct {
        PictureButton *button;
        bool hot, down;
        int shownState;
    } cases[] = {
        {ui(window).b_xin, true, false, 1},   {ui(window).b_xin, true, true, 1},
        {ui(window).b_xin, false, true, 1},   {ui(window).b_jiage, true, true, 2},
        {ui(window).b_jiage, false, true, 1}, {ui(window).b_jiage, true, false, 2},
    };
    for (const auto &c : cases) {
        if (c.hot) {
            QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
            QCoreApplication::sendEvent(c.button, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(c.button, &leave);
        }
        c.button->setDown(c.down);
        QCOMPARE(pixelOf(c.button->shownPicture(), QPoint(3, 3)), QRgb(stateColour(c.shownState)));
        c.button->setDown(false);
    }
}

void MainWindowTest::withoutPicturesTheWindowStillOpens()
{
    std::set<std::string> everyPicture;
    for (const auto &[name, bytes] : interfacePictures())
        everyPicture.insert(name);
    auto window = makeWindow(everyPicture);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const struct {
        PictureButton *button;
        QRect bounds;
    } buttons[] = {{ui(window).b_sc, {3, 2, 199, 36}},     {ui(window).b_xin, {68, 3, 42, 19}},
                   {ui(window).b_jiage, {111, 3, 46, 19}}, {ui(window).b_xiao, {160, 3, 42, 19}},
                   {ui(window).b_fan, {203, 3, 46, 19}},   {ui(window).b_Srech, {576, 4, 106, 27}}};
    for (const auto &b : buttons) {
        QVERIFY(b.button->shownPicture().isNull());
        QCOMPARE(b.button->geometry(), b.bounds);
    }
    QVERIFY(ui(window).img_shopclass->currentPicture().isNull());
    QVERIFY(ui(window).img_top->currentPicture().isNull());
    QVERIFY(!ui(window).img_load->isAnimating());
    QCOMPARE(ui(window).cbox_pagecount->count(), 99);
}

void MainWindowTest::startUpFailuresNameTheFileOrSetting_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<bool>("withArchive");
    QTest::addColumn<QString>("failure");    // the Chinese words the message starts with
    QTest::addColumn<QStringList>("named");  // what the message must hold
    auto settings = sandboxSettings(kDeadBase);
    QTest::newRow("archive missing")
        << QString() << false << "资源包无法打开：" << QStringList{"skin.isn"};
    auto noSecret = settings;
    noSecret.erase("App_Secret");
    QTest::newRow("secret missing") << QString::fromStdString(protectedConfig(noSecret)) << true
                                    << "资源包的 config.ini 里缺少设置 App_Secret："
                                    << QStringList{"skin.isn", "Invalid file format"};
    std::string garbled = protectedConfig(settings);
    const std::string index = "IndexUrl=";
    garbled.insert(garbled.find(index) + index.size(), "!!");
    QTest::newRow("index address garbled") << QString::fromStdString(garbled) << true
                                           << "资源包的 config.ini 里的设置 IndexUrl 无法解码："
                                           << QStringList{"skin.isn", "Invalid Base64 Character"};
    std::string badGateway = protectedConfig(settings);
    const std::string gateway = "Gateway=";
    badGateway.replace(badGateway.find(gateway) + gateway.size(), 4, "@@@@");
    QTest::newRow("gateway garbled") << QString::fromStdString(badGateway) << true
                                     << "资源包的 config.ini 里的设置 Gateway 无法解码："
                                     << QStringList{"skin.isn", "Invalid Base64 Character"};
}

void MainWindowTest::startUpFailuresNameTheFileOrSetting()
{
    QFETCH(QString, config);
    QFETCH(bool, withArchive);
    QFETCH(QString, failure);
    QFETCH(QStringList, named);
    ProgramFolder folder;
    if (withArchive)
        folder.writeArchive(config.toStdString(), interfacePictures());
    try {
        Tfrm_main window(appDir(folder));
        QFAIL("the window came up");
    } catch (const std::exception &error) {
        const QString message = QString::fromUtf8(error.what());
        QVERIFY2(message.startsWith(failure), error.what());
        for (const QString &part : named)
            QVERIFY2(message.contains(part), error.what());
    }
}

void MainWindowTest::errorDisplayAppendsAPoint_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Disk full"
                            << "Disk full.";
    QTest::newRow("point") << "Done."
                           << "Done.";
    QTest::newRow("bang") << "Stop!"
                          << "Stop!";
    QTest::newRow("digit") << "Error 5"
                           << "Error 5.";
    QTest::newRow("chinese") << "数据库错误"
                             << "数据库错误.";
    QTest::newRow("chinese, then the library's words") << "收藏夹无法保存：database is locked"
                                                       << "收藏夹无法保存：database is locked.";
    QTest::newRow("empty") << ""
                           << "";
}

void MainWindowTest::errorDisplayAppendsAPoint()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    MessageRequest seen;
    MessageHandler previous = setMessageHandler([&](const MessageRequest &request) {
        seen = request;
        return QMessageBox::Ok;
    });
    showErrorMessage(nullptr, text);
    setMessageHandler(std::move(previous));
    QCOMPARE(seen.text, shown);
    QCOMPARE(seen.caption, QStringLiteral("Quenbo"));
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
