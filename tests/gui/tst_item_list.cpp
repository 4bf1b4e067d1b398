#include "core/split_title.h"
#include "core/uDownimg.h"
#include "core/ucommon.h"
#include "gateway/item_page.h"
#include "gui_test_support.h"
#include "interface_pictures.h"
#include "pack/artwork.h"
#include "pictures/jpeg_image.h"
#include "pictures/picture_writers.h"
#include "platform/http_client.h"
#include "platform/xml_document.h"
#include "sandbox/sandbox_server.h"
#include "ui/browser_opener.h"
#include "ui/frmimgframe.h"
#include "ui/page_pictures.h"
#include "ui/picture_box.h"
#include "ui/picture_button.h"
#include "ui/skin.h"
#include "ui/uItemTree.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <httplib.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

using namespace quenbo;
using namespace quenbo::testsupport;

namespace fs = std::filesystem;

namespace {

// Button picture b (1 to 4) in state s (0 normal, 1 hover, 2 pressed), each its own colour.
QColor buttonColour(int b, int s)
{
    return QColor(50 + 40 * b, 30 + 60 * s, 200 - 30 * b);
}
const QColor kSelectedColour(222, 236, 250);
// The test archive's stand-by picture (a light grey face) and its no-picture picture.
const QColor kStandbyColour(235, 235, 235);
const QColor kNoPictureColour(150, 40, 160);
// The tops of the mouse areas of the row buttons 1, 2 and 3 inside a row.
constexpr int kButtonAreaTops[] = {5, 32, 58};

// A point inside row button b (0 to 2) of row row.
QPoint buttonPlace(int row, int b)
{
    return {630, row * TItemTree::kRowHeight + kButtonAreaTops[b] + 10};
}

QImage filled(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    image.fill(colour);
    return image;
}

// The test archive's pictures with a colour of its own for every row button state.
Entries rowButtonPictures()
{
    Entries entries = interfacePictures();
    for (int b = 1; b <= 4; ++b)
        for (int s = 0; s <= 2; ++s)
            entries[std::to_string(b) + (s ? "_" + std::to_string(s) : "") + ".bmp"] =
                EncodeBmp(toRgba(filled(60, 22, buttonColour(b, s))));
    entries["treedown.bmp"] = EncodeBmp(toRgba(filled(600, 84, kSelectedColour)));
    entries["nopic.jpg"] = EncodeJpeg(toRgba(filled(80, 80, kNoPictureColour)), 95);
    return entries;
}

// What the packer puts in the shipped archive.
Entries shippedPictures()
{
    Entries entries;
    for (pack::ArchiveEntry &entry : pack::artworkEntries())
        entries[entry.name] = std::move(entry.data);
    return entries;
}

int storedFavourites(const fs::path &file, const std::string &id)
{
    sqlite3 *db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, "select count(*) from info where fid=?", -1, &statement, nullptr);
    sqlite3_bind_text(statement, 1, id.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(statement);
    const int count = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return count;
}

TTaoBaoData record(const std::string &id)
{
    TTaoBaoData r;
    r.NumIid = id;
    r.Title = "短标题";
    r.Nick = "掌柜" + id;
    r.Price = "12.30";
    r.CashBack = 1.5;
    r.CreditScore = 5;
    r.Volume = 42;
    r.ClickUrl = "http://127.0.0.1:9/click?id=" + id;
    r.Picture = std::make_shared<TJpegImage>();
    return r;
}

bool hasInk(const QImage &image, QRect band)
{
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = band.left(); x <= band.right(); ++x)
            if (image.pixelColor(x, y).lightness() < 200)
                return true;
    return false;
}

std::vector<std::uint8_t> jpegOf(int side, QColor colour)
{
    return EncodeJpeg(toRgba(filled(side, side, colour)), 95);
}

// A JPEG whose header reads but whose pixels do not decode: its quantisation tables are taken
// out, which libjpeg notices only when decoding starts.
std::vector<std::uint8_t> jpegWithoutQuantTables(const std::vector<std::uint8_t> &jpeg)
{
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
        const std::size_t length = std::size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
        if (jpeg[at + 1] != 0xDB)
            out.insert(out.end(), jpeg.begin() + long(at), jpeg.begin() + long(at + 2 + length));
        at += 2 + length;
    }
    out.insert(out.end(), jpeg.begin() + long(at), jpeg.end());
    return out;
}

void writeFile(const fs::path &file, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

bool near(QColor a, QColor b, int tolerance = 6)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace

class ItemListTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void buttonsShowNormalHoverAndPressedPictures_data();
    void buttonsShowNormalHoverAndPressedPictures();
    void rowShowsItsSeparatorSelectionAndTitleLines();
    void titleSplitsAtTheFirstCharacterBeyondTheWidth_data();
    void titleSplitsAtTheFirstCharacterBeyondTheWidth();
    void emptyCachedPictureShowsNoPictureBesideTheTexts();
    void thumbnailThatFailsIsNotDecodedAgainUntilANewLoad();
    void thumbnailSquareShowsWhatThePictureCameTo_data();
    void thumbnailSquareShowsWhatThePictureCameTo();
    void failedDownloadShowsNoPictureUntilALaterOneArrives();
    void sortingIsStableOnFourKeys_data();
    void sortingIsStableOnFourKeys();
    void twoRowsWithOneIdActOnTheUpperOne();
    void previewFollowsTheThumbnails();
    void previewShowsTheCachedPictureInItsFrame_data();
    void previewShowsTheCachedPictureInItsFrame();
    void previewDecodesAFileOnceAndANewDownloadAgain();
    void previewLeftFollowsTheWindow();
    void buttonsOpenAddressesAndKeepFavourites();
    void rowButtonsActOnceForAClickAndForADoubleClick_data();
    void rowButtonsActOnceForAClickAndForADoubleClick();
    void favouriteButtonActsOnceWithinTheGapOfItsRow();
    void favouritesErrorIsShownAndEndsThePress();
    void whollyCachedBatchMakesNoRequest();
    void rowsOutOfViewGetTheirThumbnailsFromTheDownloads();
    void rowsInViewAreTheOnesTheDownloadsTakeFirst();
    void pictureFaultFailsOnlyItsOwnJob_data();
    void pictureFaultFailsOnlyItsOwnJob();
    void newSearchWhileTheOldWorkerRuns();
    void shutdownWithWorkersNeverStartedOrStillRunning();
    void skinStaysTheSameUnderADarkDesktopPalette();
    void screenshotOfTheItemList();

private:
    void postFault(const std::string &form);
    bool waitForWorkers();
    std::vector<std::string> indexIds();
    bool pictureStillFaulty(const std::string &id);
    TItemTree &list() { return m_window->ItemListPresenter(); }
    QListView *tree() { return ui(m_window).itemTree; }
    const ItemListModel &rows() { return list().Model(); }
    void addRows(const std::vector<TTaoBaoData> &records);
    // Fetches the pictures of the rows with these ids as a page's downloads do (a cached one
    // is not fetched again) and waits until their thumbnails have reached the rows.
    void fetchPictures(const std::vector<std::string> &ids);
    QImage rowImage(int row);
    fs::path cacheFile(const std::string &id) { return m_folder->path() / "temp" / (id + ".jpg"); }

    std::unique_ptr<sandbox::SandboxServer> m_sandbox;
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<RecordedMessages> m_messages;
    std::unique_ptr<Tfrm_main> m_window;
    std::vector<QUrl> m_opened;
};

void ItemListTest::initTestCase()
{
    m_sandbox = startSuiteSandbox();
    m_folder = std::make_unique<ProgramFolder>();
    m_folder->writeArchive(protectedConfig(sandboxSettings(m_sandbox->baseUrl())),
                           rowButtonPictures());
    setBrowserOpener([this](const QUrl &url) { m_opened.push_back(url); });
}

void ItemListTest::init()
{
    m_opened.clear();
    std::error_code ignored;
    fs::remove(m_folder->databaseFile(), ignored);
    m_folder->createDatabase();
    m_messages = std::make_unique<RecordedMessages>();
    m_window = openWindow(*m_folder);
    QVERIFY(m_window);
    ui(m_window).pnl_load->hide();
}

void ItemListTest::cleanup()
{
    finishWindowTest(m_window, m_messages, m_sandbox->baseUrl());
}

void ItemListTest::postFault(const std::string &form)
{
    QVERIFY(postSandboxFault(m_sandbox->baseUrl(), form));
}

bool ItemListTest::waitForWorkers()
{
    // The workers of an item page are made when its answer arrives.
    return testsupport::waitForGateway(*m_window) && testsupport::waitForWorkers(*m_window);
}

std::vector<std::string> ItemListTest::indexIds()
{
    HttpClient http;
    XmlDocument xml;
    xml.load(http, m_window->Common().Settings.IndexUrl);
    std::vector<std::string> ids;
    for (const XmlElement &items : xml.documentElement().children("taobaoke_items"))
        for (const XmlElement &item : items.children("taobaoke_item"))
            for (const XmlElement &id : item.children("num_iid"))
                ids.push_back(id.text());
    return ids;
}

// True while a one-time not-found fault set for the picture has not been used up.
bool ItemListTest::pictureStillFaulty(const std::string &id)
{
    httplib::Client client(m_sandbox->baseUrl());
    const auto result = client.Get("/pic/" + id + "_b.jpg");
    return result && result->status == 404;
}

void ItemListTest::addRows(const std::vector<TTaoBaoData> &records)
{
    ItemPage page;
    for (int i = 0; i < rows().rowCount(); ++i)
        page.records.push_back(rows().row(i).record);
    page.records.insert(page.records.end(), records.begin(), records.end());
    list().ShowPage(std::move(page));
}

void ItemListTest::fetchPictures(const std::vector<std::string> &ids)
{
    std::vector<TDownPic> batch;
    for (const std::string &id : ids)
        batch.push_back({id, m_sandbox->baseUrl() + "/pic/" + id});
    list().Pictures().start({batch});
    QVERIFY(waitForWorkers());
    QCoreApplication::processEvents();
}

QImage ItemListTest::rowImage(int row)
{
    const QImage image = tree()->viewport()->grab().toImage();
    return image.copy(0, row * TItemTree::kRowHeight, image.width(), TItemTree::kRowHeight);
}

void ItemListTest::buttonsShowNormalHoverAndPressedPictures_data()
{
    QTest::addColumn<int>("button");  // 0..2
    QTest::addColumn<bool>("favourite");
    QTest::newRow("cash-back") << 0 << false;
    QTest::newRow("click") << 1 << false;
    QTest::newRow("favourite add") << 2 << false;
    QTest::newRow("favourite remove") << 2 << true;
}

void ItemListTest::buttonsShowNormalHoverAndPressedPictures()
{
    QFETCH(int, button);
    QFETCH(bool, favourite);
    addRows({record("11"), record("12")});
    if (favourite)
        m_window->Common().Favourites.ids().append("12");
    const int picture = button == 2 && favourite ? 4 : button + 1;
    const QPoint inButton = buttonPlace(1, button);

    QVERIFY(near(rowImage(1).pixelColor(inButton.x(), kButtonAreaTops[button] + 10),
                 buttonColour(picture, 0)));
    sendMouse(tree()->viewport(), QEvent::MouseMove, inButton);
    QCOMPARE(list().HotNode().row(), 1);
    QVERIFY(near(rowImage(1).pixelColor(inButton.x(), kButtonAreaTops[button] + 10),
                 buttonColour(picture, 1)));
    // A press draws the pressed picture once, at the next paint. Outside the favourites view
    // a removal keeps the row, its button turned back to adding.
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, inButton);
    if (favourite) {
        QCOMPARE(tree()->model()->rowCount(), 2);
        QVERIFY(near(rowImage(1).pixelColor(inButton.x(), kButtonAreaTops[button] + 10),
                     buttonColour(3, 2)));
        return;
    }
    // An item just added is a favourite: its button shows the removing pictures from now on.
    const int after = button == 2 ? 4 : picture;
    QVERIFY(near(rowImage(1).pixelColor(inButton.x(), kButtonAreaTops[button] + 10),
                 buttonColour(after, 2)));
    QVERIFY(near(rowImage(1).pixelColor(inButton.x(), kButtonAreaTops[button] + 10),
                 buttonColour(after, 1)));
    // The mouse areas start one pixel inside the pictures.
    sendMouse(tree()->viewport(), QEvent::MouseMove,
              QPoint(600, TItemTree::kRowHeight + kButtonAreaTops[button] + 10));
    QVERIFY(near(rowImage(1).pixelColor(inButton.x(), kButtonAreaTops[button] + 10),
                 buttonColour(after, 0)));
}

void ItemListTest::rowShowsItsSeparatorSelectionAndTitleLines()
{
    TTaoBaoData longTitle = record("22");
    longTitle.Title =
        "这是一个非常非常长的商品标题用来测试两行显示以及第二行的省略号是否正确地出现在末尾";
    TTaoBaoData spaced = record("23");
    spaced.Title = "  短  ";
    // Wider than the room in the title font, so it must be split, though its characters may
    // add up to less than the room in the narrower measuring font.
    TTaoBaoData even = record("24");
    even.Title.clear();
    for (int i = 0; i < 17; ++i)
        even.Title += "衣";
    addRows({record("21"), longTitle, spaced, even});
    click(tree()->viewport(), QPoint(300, 40));
    QCOMPARE(tree()->currentIndex().row(), 0);

    const QImage selected = rowImage(0);
    QVERIFY(near(selected.pixelColor(590, 75), kSelectedColour));
    QCOMPARE(selected.pixelColor(300, 83), QColor(168, 168, 168));
    QVERIFY(near(selected.pixelColor(630, 14), buttonColour(1, 0)));
    const QImage plain = rowImage(1);
    QCOMPARE(plain.pixelColor(590, 75), QColor(Qt::white));
    QCOMPARE(plain.pixelColor(tree()->viewport()->width() - 1, 83), QColor(168, 168, 168));

    const QRect secondLine(85, 25, 192, 14);
    QVERIFY(!hasInk(selected, secondLine));
    QVERIFY(hasInk(plain, secondLine));
    // The second line, itself too wide, is cut to the title's width: it runs up to its end
    // but nothing reaches the price label.
    QVERIFY(hasInk(plain, QRect(85 + 160, 25, 32, 14)));
    QVERIFY(!hasInk(plain, QRect(85 + 193, 25, 300 - 85 - 193, 14)));
    QVERIFY(!hasInk(rowImage(2), secondLine));
    QVERIFY(hasInk(rowImage(2), QRect(85, 5, 40, 14)));
    const QImage evenRow = rowImage(3);
    QVERIFY(hasInk(evenRow, secondLine));
    QVERIFY(!hasInk(evenRow, QRect(85 + 193, 5, 300 - 85 - 193, 14)));
}

void ItemListTest::titleSplitsAtTheFirstCharacterBeyondTheWidth_data()
{
    // Every character is 10 pixels wide but "W" and "裙", which are 25.
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<int>("room");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::newRow("stops at the first character beyond")
        << QByteArray("aaWaa") << 20 << QByteArray("aa") << QByteArray("Waa");
    QTest::newRow("stop character also earlier")
        << QByteArray("abcab") << 30 << QByteArray("abc") << QByteArray("ab");
    QTest::newRow("stop character also earlier, multi-byte")
        << QByteArray("连衣连衣裙") << 30 << QByteArray("连衣连") << QByteArray("衣裙");
    QTest::newRow("multi-byte character measured whole")
        << QByteArray("a裙a") << 30 << QByteArray("a") << QByteArray("裙a");
    QTest::newRow("first character alone too wide")
        << QByteArray("Wab") << 20 << QByteArray() << QByteArray("Wab");
    QTest::newRow("second line too wide stays whole")
        << QByteArray("abcdefghij") << 20 << QByteArray("ab") << QByteArray("cdefghij");
    QTest::newRow("malformed bytes count one each")
        << QByteArray("x\xffz\xfe") << 25 << QByteArray("x\xff") << QByteArray("z\xfe");
    QTest::newRow("exactly the room: no split")
        << QByteArray("abc") << 30 << QByteArray() << QByteArray();
    QTest::newRow("narrower: no split") << QByteArray("ab") << 30 << QByteArray() << QByteArray();
    QTest::newRow("empty: no split") << QByteArray() << 30 << QByteArray() << QByteArray();
}

void ItemListTest::titleSplitsAtTheFirstCharacterBeyondTheWidth()
{
    QFETCH(QByteArray, title);
    QFETCH(int, room);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    const auto [line1, line2] = SplitTitle(
        title.toStdString(), room, [](char32_t c) { return c == U'W' || c == U'裙' ? 25 : 10; });
    QCOMPARE(QByteArray::fromStdString(line1), first);
    QCOMPARE(QByteArray::fromStdString(line2), second);
}

void ItemListTest::emptyCachedPictureShowsNoPictureBesideTheTexts()
{
    // The picture is read before the row is painted, so a broken one costs the row only its
    // thumbnail: its buttons and texts are drawn as for any row.
    writeFile(cacheFile("31"), {});
    addRows({record("31"), record("32")});
    fetchPictures({"31"});
    const QImage broken = rowImage(0);
    QVERIFY(near(broken.pixelColor(630, 14), buttonColour(1, 0)));
    QVERIFY(near(broken.pixelColor(40, 40), kNoPictureColour));
    QVERIFY(hasInk(broken, QRect(85, 5, 500, 60)));
    QCOMPARE(rows().row(0).picture, ItemListModel::Picture::None);
    // Without its picture yet, a row shows the stand-by picture and its texts.
    const QImage waiting = rowImage(1);
    QVERIFY(hasInk(waiting, QRect(85, 5, 500, 60)));
    QCOMPARE(rows().row(1).picture, ItemListModel::Picture::Waiting);
}

void ItemListTest::thumbnailThatFailsIsNotDecodedAgainUntilANewLoad()
{
    // A cached picture that does not decode shows that the row has none; the row's paints
    // read nothing, and a picture stored later shows once it is fetched.
    writeFile(cacheFile("34"), jpegWithoutQuantTables(jpegOf(160, Qt::black)));
    addRows({record("34")});
    fetchPictures({"34"});
    QCOMPARE(rows().row(0).picture, ItemListModel::Picture::None);
    QVERIFY(near(rowImage(0).pixelColor(40, 40), kNoPictureColour));
    const QColor colour(30, 90, 200);
    writeFile(cacheFile("34"), jpegOf(160, colour));
    QVERIFY(near(rowImage(0).pixelColor(40, 40), kNoPictureColour));
    fetchPictures({"34"});
    QVERIFY(near(rowImage(0).pixelColor(40, 40), colour));
}

void ItemListTest::thumbnailSquareShowsWhatThePictureCameTo_data()
{
    // Steps on row "35", in order: a cache file written ("cache good", "cache undecodable",
    // "cache html"), a paint, the download's failure, the thumbnail made of the download, or
    // the row's picture fetched as a page's downloads fetch it. Row "36" waits for its picture
    // throughout.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QColor>("shown");
    const QColor picture(30, 90, 200);
    QTest::newRow("still loading") << QStringList{"paint"} << kStandbyColour;
    QTest::newRow("download failed") << QStringList{"paint", "fail"} << kNoPictureColour;
    QTest::newRow("failed, then a download brought it")
        << QStringList{"fail", "paint", "thumbnail"} << picture;
    QTest::newRow("failed, then cached and fetched")
        << QStringList{"fail", "paint", "cache good", "fetch"} << picture;
    QTest::newRow("cached picture does not decode")
        << QStringList{"cache undecodable", "fetch", "paint"} << kNoPictureColour;
    QTest::newRow("downloaded picture does not decode")
        << QStringList{"paint", "cache undecodable", "fetch"} << kNoPictureColour;
    QTest::newRow("cache file holds no picture")
        << QStringList{"paint", "cache html", "fetch"} << kNoPictureColour;
    QTest::newRow("shown picture kept after a failure")
        << QStringList{"cache good", "fetch", "paint", "fail"} << picture;
}

void ItemListTest::thumbnailSquareShowsWhatThePictureCameTo()
{
    QFETCH(QStringList, steps);
    QFETCH(QColor, shown);
    const QColor picture(30, 90, 200);
    addRows({record("35"), record("36")});
    for (const QString &step : steps) {
        if (step == "paint")
            rowImage(0);
        else if (step == "fail")
            list().Model().markNoPicture("35");
        else if (step == "thumbnail")
            list().Model().setThumbnail("35", filled(80, 80, picture));
        else if (step == "fetch")
            fetchPictures({"35"});
        else if (step == "cache good")
            writeFile(cacheFile("35"), jpegOf(160, picture));
        else if (step == "cache undecodable")
            writeFile(cacheFile("35"), jpegWithoutQuantTables(jpegOf(160, picture)));
        else if (step == "cache html")
            writeFile(cacheFile("35"), {'<', 'h', 't', 'm', 'l', '>'});
        else
            QFAIL(qPrintable("unknown step " + step));
    }
    const QImage rows = tree()->viewport()->grab().toImage();
    const QColor first = rows.pixelColor(40, 40);
    QVERIFY2(near(first, shown), qPrintable(first.name()));
    QVERIFY(near(rows.pixelColor(40, TItemTree::kRowHeight + 40), kStandbyColour));
}

void ItemListTest::failedDownloadShowsNoPictureUntilALaterOneArrives()
{
    const std::vector<std::string> ids = indexIds();
    QVERIFY(ids.size() >= 3);
    postFault("picture=" + ids[1] + "&kind=not_found");
    std::vector<TTaoBaoData> records;
    for (std::size_t i = 0; i < 3; ++i)
        records.push_back(record(ids[i]));
    addRows(records);
    QVERIFY(near(rowImage(1).pixelColor(40, 40), kStandbyColour));

    const auto squareOf = [&](int row) {
        const ItemListModel::Row &data = rows().row(row);
        return std::make_pair(rowImage(row).pixelColor(40, 40),
                              data.picture == ItemListModel::Picture::Shown
                                  ? data.thumbnail.pixelColor(39, 39)
                                  : QColor());
    };

    fetchPictures(ids);
    for (const int row : {0, 2}) {
        const auto [painted, thumbnail] = squareOf(row);
        QVERIFY(thumbnail.isValid());
        QVERIFY(near(painted, thumbnail));
    }
    const auto [failed, none] = squareOf(1);
    QVERIFY(!none.isValid());
    QVERIFY2(near(failed, kNoPictureColour), qPrintable(failed.name()));

    postFault("clear=1");
    fetchPictures({ids[1]});
    const auto [arrived, thumbnail] = squareOf(1);
    QVERIFY(thumbnail.isValid());
    QVERIFY(near(arrived, thumbnail));
}

void ItemListTest::sortingIsStableOnFourKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<bool>("ascending");
    QTest::addColumn<QList<int>>("order");
    QTest::newRow("credit up") << 0 << QStringList{"20", "3", "20"} << true << QList<int>{1, 0, 2};
    QTest::newRow("credit down") << 0 << QStringList{"20", "3", "20"} << false
                                 << QList<int>{0, 2, 1};
    QTest::newRow("price up") << 1 << QStringList{"12.40", "12.50", "12.30"} << true
                              << QList<int>{0, 2, 1};
    QTest::newRow("price down") << 1 << QStringList{"12.40", "12.50", "12.30"} << false
                                << QList<int>{1, 0, 2};
    QTest::newRow("price not a number counts 0")
        << 1 << QStringList{"面议", "-1", "0.4"} << true << QList<int>{1, 0, 2};
    QTest::newRow("volume extremes")
        << 2 << QStringList{"2147483647", "-2147483648", "0"} << true << QList<int>{1, 2, 0};
    QTest::newRow("cash-back halves away from zero")
        << 3 << QStringList{"2.5", "2.4", "-2.5", "-2.4"} << true << QList<int>{2, 3, 1, 0};
    QTest::newRow("cash-back equal when whole")
        << 3 << QStringList{"1.5", "2.49"} << false << QList<int>{0, 1};
    QTest::newRow("cash-back beyond 32 bits counts 0")
        << 3 << QStringList{"1", "3e10"} << true << QList<int>{1, 0};
    QTest::newRow("other key") << 9 << QStringList{"3", "1", "2"} << true << QList<int>{0, 1, 2};
}

void ItemListTest::sortingIsStableOnFourKeys()
{
    QFETCH(int, key);
    QFETCH(QStringList, values);
    QFETCH(bool, ascending);
    QFETCH(QList<int>, order);
    std::vector<TTaoBaoData> records;
    for (int i = 0; i < values.size(); ++i) {
        TTaoBaoData r = record(std::to_string(100 + i));
        const std::string v = values[i].toStdString();
        if (key == 0)
            r.CreditScore = std::stoi(v);
        else if (key == 1)
            r.Price = v;
        else if (key == 2)
            r.Volume = std::stoi(v);
        else
            r.CashBack = std::stod(v);
        records.push_back(r);
    }
    addRows(records);
    // The sort buttons share one direction: the first press sorts descending, the next
    // ascending. No button sorts by another key.
    PictureButton *const buttons[] = {ui(m_window).b_xin, ui(m_window).b_jiage, ui(m_window).b_xiao,
                                      ui(m_window).b_fan};
    if (key < 4) {
        for (int press = 0; press < (ascending ? 2 : 1); ++press)
            QTest::mouseClick(buttons[key], Qt::LeftButton);
    } else {
        list().SortRows(ItemSortKey(key), ascending);
    }
    QCOMPARE(int(list().SortKey()), key);
    QList<int> sorted;
    for (int i = 0; i < rows().rowCount(); ++i)
        sorted << std::stoi(rows().row(i).record.NumIid) - 100;
    QCOMPARE(sorted, order);
}

void ItemListTest::twoRowsWithOneIdActOnTheUpperOne()
{
    addRows({record("5"), record("6"), record("5")});
    QSignalSpy changed(&list().Model(), &QAbstractItemModel::dataChanged);
    list().Model().setThumbnail("5", filled(80, 80, Qt::red));
    list().Model().setThumbnail("404", filled(80, 80, Qt::red));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex().row(), 0);
    QCOMPARE(rows().row(0).picture, ItemListModel::Picture::Shown);
    QCOMPARE(rows().row(2).picture, ItemListModel::Picture::Waiting);

    sendMouse(tree()->viewport(), QEvent::MouseMove, QPoint(40, 40));
    QCOMPARE(list().HotNode().row(), 0);
    QCOMPARE(list().PreviewNode().row(), 0);
    QVERIFY(list().Model().removeItem("5"));
    QVERIFY(!list().HotNode().isValid());
    QVERIFY(!list().PreviewNode().isValid());
    QCOMPARE(rowIds(tree()), (std::vector<std::string>{"6", "5"}));
    QCOMPARE(rows().row(1).picture, ItemListModel::Picture::Waiting);
    QVERIFY(!list().Model().removeItem("404"));
    QCOMPARE(rows().rowCount(), 2);

    list().Clear();
    QCOMPARE(tree()->model()->rowCount(), 0);
}

void ItemListTest::previewFollowsTheThumbnails()
{
    addRows({record("41"), record("42")});
    Tfrm_imgframe *popup = m_window->ImgFrame();
    QVERIFY(popup && popup->isHidden());
    QCOMPARE(popup->size(), QSize(222, 222));
    QWidget *viewport = tree()->viewport();
    const auto expectedAt = [&](QPoint pos) {
        return QPoint(list().PreviewLeft(), viewport->mapToGlobal(pos).y() - 221);
    };

    sendMouse(viewport, QEvent::MouseMove, QPoint(40, 40));
    QVERIFY(popup->isVisible());
    QCOMPARE(popup->pos(), expectedAt(QPoint(40, 40)));
    QCOMPARE(list().PreviewNode().row(), 0);
    QVERIFY(!QApplication::activeWindow() || QApplication::activeWindow() != popup);

    // Not used while the mouse stays on this thumbnail.
    list().SetPreviewLeft(list().PreviewLeft() + 7);
    sendMouse(viewport, QEvent::MouseMove, QPoint(70, 75));
    QCOMPARE(popup->pos(), expectedAt(QPoint(40, 40)) - QPoint(7, 0));
    sendMouse(viewport, QEvent::MouseMove, QPoint(2, TItemTree::kRowHeight + 80));
    QCOMPARE(popup->pos(), expectedAt(QPoint(2, TItemTree::kRowHeight + 80)));
    QCOMPARE(list().PreviewNode().row(), 1);

    // Below the last row nothing changes; outside a thumbnail over a row hides the popup.
    sendMouse(viewport, QEvent::MouseMove, QPoint(40, 3 * TItemTree::kRowHeight + 10));
    QVERIFY(popup->isVisible());
    sendMouse(viewport, QEvent::MouseMove, QPoint(81, 40));
    QVERIFY(popup->isHidden());
    sendMouse(viewport, QEvent::MouseMove, QPoint(40, 1));
    QVERIFY(popup->isHidden());
}

void ItemListTest::previewShowsTheCachedPictureInItsFrame_data()
{
    QTest::addColumn<int>("side");
    QTest::newRow("larger, cut") << 250;
    QTest::newRow("smaller, white beside") << 160;
}

void ItemListTest::previewShowsTheCachedPictureInItsFrame()
{
    QFETCH(int, side);
    const QColor colour(30, 160, 90);
    writeFile(cacheFile("51"), jpegOf(side, colour));
    addRows({record("51"), record("52")});
    Tfrm_imgframe *popup = m_window->ImgFrame();
    sendMouse(tree()->viewport(), QEvent::MouseMove, QPoint(40, 40));
    // Only the part the popup shows is decoded.
    const QSize decoded(std::min(side, 220), std::min(side, 220));
    QCOMPARE(popup->img_pic->currentPicture().size(), decoded);
    const QImage shown = popup->grab().toImage();
    for (const QPoint edge : {QPoint(0, 100), QPoint(221, 100), QPoint(100, 0), QPoint(100, 221)})
        QCOMPARE(shown.pixelColor(edge), QColor(255, 0, 0));
    QVERIFY(near(shown.pixelColor(1, 1), colour));
    QVERIFY(near(shown.pixelColor(std::min(side, 220), std::min(side, 220)), colour));
    if (side < 220)
        QCOMPARE(shown.pixelColor(side + 30, 100), QColor(Qt::white));

    // Without a cache file the popup keeps the picture it had; a broken one changes nothing.
    sendMouse(tree()->viewport(), QEvent::MouseMove, QPoint(40, TItemTree::kRowHeight + 40));
    QCOMPARE(popup->img_pic->currentPicture().size(), decoded);
    writeFile(cacheFile("52"), {'<', 'h', 't', 'm', 'l', '>'});
    sendMouse(tree()->viewport(), QEvent::MouseMove, QPoint(41, TItemTree::kRowHeight + 40));
    QCOMPARE(popup->img_pic->currentPicture().size(), decoded);
}

void ItemListTest::previewDecodesAFileOnceAndANewDownloadAgain()
{
    const QColor first(30, 160, 90);
    const QColor second(200, 40, 40);
    std::vector<std::uint8_t> firstBytes = jpegOf(240, first);
    std::vector<std::uint8_t> secondBytes = jpegOf(240, second);
    // Equal sizes: a reader stops at the end-of-image marker, so padding after it is ignored.
    const std::size_t size = std::max(firstBytes.size(), secondBytes.size());
    firstBytes.resize(size, 0);
    secondBytes.resize(size, 0);
    writeFile(cacheFile("53"), firstBytes);
    const auto written = fs::last_write_time(cacheFile("53"));
    addRows({record("53")});
    Tfrm_imgframe *popup = m_window->ImgFrame();
    const auto shownColour = [&] { return popup->img_pic->currentPicture().pixelColor(5, 5); };
    sendMouse(tree()->viewport(), QEvent::MouseMove, QPoint(40, 40));
    QVERIFY(near(shownColour(), first));

    // The same file is not read again while the pointer moves over the thumbnail.
    writeFile(cacheFile("53"), secondBytes);
    fs::last_write_time(cacheFile("53"), written);
    sendMouse(tree()->viewport(), QEvent::MouseMove, QPoint(41, 41));
    QVERIFY(near(shownColour(), first));
    // A new download is.
    fs::last_write_time(cacheFile("53"), written + std::chrono::seconds(5));
    sendMouse(tree()->viewport(), QEvent::MouseMove, QPoint(42, 42));
    QVERIFY(near(shownColour(), second));
}

void ItemListTest::previewLeftFollowsTheWindow()
{
    addRows({record("45"), record("46")});
    Tfrm_imgframe *popup = m_window->ImgFrame();
    QWidget *viewport = tree()->viewport();
    // The window's client area at screen x 100: the item list's place in its panel, taken as a
    // place in the window, is at screen x 101.
    const int frameLeft = m_window->geometry().x() - m_window->frameGeometry().x();
    m_window->move(100 - frameLeft, 80);
    QCOMPARE(m_window->mapToGlobal(QPoint(1, 26)).x(), 101);
    QCOMPARE(list().PreviewLeft(), 391);
    sendMouse(viewport, QEvent::MouseMove, QPoint(40, 40));
    QVERIFY(popup->isVisible());
    QCOMPARE(popup->x(), 391);

    // A move leaves the shown popup where it is; the next placement takes the new edge.
    m_window->move(150 - frameLeft, 80);
    QCOMPARE(list().PreviewLeft(), 441);
    QCOMPARE(popup->x(), 391);
    sendMouse(viewport, QEvent::MouseMove, QPoint(40, TItemTree::kRowHeight + 40));
    QCOMPARE(popup->x(), 441);
}

void ItemListTest::buttonsOpenAddressesAndKeepFavourites()
{
    addRows({record("61"), record("62")});
    const fs::path db = m_folder->path() / "data" / "data.db";
    const int row = TItemTree::kRowHeight;

    click(tree()->viewport(), QPoint(630, row + 10), Qt::MiddleButton);
    click(tree()->viewport(), QPoint(630, row + 40), Qt::RightButton);
    QCOMPARE(m_opened.size(), std::size_t(2));
    QCOMPARE(m_opened[0].toString().toStdString(),
             m_window->Common().Settings.FanXianUrl + "62" + "000150");
    QCOMPARE(m_opened[1].toString().toStdString(), record("62").ClickUrl);
    QVERIFY(!tree()->currentIndex().isValid());
    // The right press acted on the button, then opened the shop menu.
    QVERIFY(ui(m_window).Pop_MShop->isVisible());
    QTest::keyClick(ui(m_window).Pop_MShop, Qt::Key_Escape);

    click(tree()->viewport(), QPoint(630, row + 65));
    QCOMPARE(storedFavourites(db, "62"), 1);
    QCOMPARE(tree()->model()->rowCount(), 2);

    // Away from the buttons any mouse button selects the row, here instead of the one that the
    // left press on its favourite button selected.
    QCOMPARE(tree()->currentIndex().row(), 1);
    click(tree()->viewport(), QPoint(300, 40), Qt::RightButton);
    QCOMPARE(tree()->currentIndex().row(), 0);
}

void ItemListTest::rowButtonsActOnceForAClickAndForADoubleClick_data()
{
    QTest::addColumn<int>("button");       // 0 cash-back, 1 item page, 2 favourite
    QTest::addColumn<bool>("favourites");  // the rows are the listed favourites
    QTest::addColumn<bool>("twice");       // a double-click instead of a click
    for (const bool twice : {false, true}) {
        const char *press = twice ? "double-click" : "click";
        QTest::addRow("cash-back, %s", press) << 0 << false << twice;
        QTest::addRow("item page, %s", press) << 1 << false << twice;
        QTest::addRow("add favourite, %s", press) << 2 << false << twice;
        QTest::addRow("remove favourite, %s", press) << 2 << true << twice;
    }
}

void ItemListTest::rowButtonsActOnceForAClickAndForADoubleClick()
{
    QFETCH(int, button);
    QFETCH(bool, favourites);
    QFETCH(bool, twice);
    const fs::path db = m_folder->path() / "data" / "data.db";
    const std::vector<std::string> ids = {"81", "82", "83"};
    addRows({record(ids[0]), record(ids[1]), record(ids[2])});
    if (favourites) {
        for (int row = 0; row < 3; ++row)
            click(tree()->viewport(), buttonPlace(row, 2));
        QTest::mouseClick(ui(m_window).b_sc, Qt::LeftButton);
        QVERIFY(waitForWorkers());
        QCOMPARE(rowIds(tree()), ids);
    }

    if (twice)
        doubleClick(tree()->viewport(), buttonPlace(0, button));
    else
        click(tree()->viewport(), buttonPlace(0, button));

    std::vector<std::string> opened;
    for (const QUrl &url : m_opened)
        opened.push_back(url.toString().toStdString());
    if (button == 0)
        QCOMPARE(opened,
                 std::vector<std::string>{m_window->Common().Settings.FanXianUrl + "81000150"});
    else if (button == 1)
        QCOMPARE(opened, std::vector<std::string>{record("81").ClickUrl});
    else
        QVERIFY(opened.empty());
    if (!favourites) {
        QCOMPARE(rowIds(tree()), ids);
        QCOMPARE(storedFavourites(db, "81"), button == 2 ? 1 : 0);
        return;
    }
    // Only the pressed favourite goes; the one whose row moved up under the pointer stays.
    QCOMPARE(rowIds(tree()), (std::vector<std::string>{"82", "83"}));
    QCOMPARE(storedFavourites(db, "81"), 0);
    QCOMPARE(storedFavourites(db, "82"), 1);
    QVERIFY(rows().rowOf("81") < 0 && rows().rowOf("82") >= 0);
    QVERIFY(!m_window->Common().IsFavourite("81") && m_window->Common().IsFavourite("82"));
}

void ItemListTest::favouriteButtonActsOnceWithinTheGapOfItsRow()
{
    // The first press stores the item; a second within the gap would take it away again and
    // is ignored; one after the gap acts and removes it. Outside the favourites view its row
    // stays.
    const fs::path db = m_folder->path() / "data" / "data.db";
    addRows({record("87"), record("88")});
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    click(tree()->viewport(), buttonPlace(0, 2));
    QCOMPARE(storedFavourites(db, "87"), 1);
    click(tree()->viewport(), buttonPlace(0, 2));
    click(tree()->viewport(), buttonPlace(1, 2));
    // Also shows that no press holds the window up for the gap.
    QVERIFY2(sinceFirst.elapsed() < TItemTree::kFavouritePressGapMs,
             qPrintable(QString::number(sinceFirst.elapsed()) + " ms for three presses"));
    QCOMPARE(storedFavourites(db, "87"), 1);
    QCOMPARE(tree()->model()->rowCount(), 2);
    // Another row's button is not held back.
    QCOMPARE(storedFavourites(db, "88"), 1);

    QTest::qWait(TItemTree::kFavouritePressGapMs + 50);
    click(tree()->viewport(), buttonPlace(0, 2));
    QCOMPARE(storedFavourites(db, "87"), 0);
    QCOMPARE(rowIds(tree()), (std::vector<std::string>{"87", "88"}));
}

void ItemListTest::favouritesErrorIsShownAndEndsThePress()
{
    addRows({record("71"), record("72")});
    QWidget *viewport = tree()->viewport();
    QMenu *shopMenu = ui(m_window).Pop_MShop;
    QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(300, 40));
    QCOMPARE(m_window->SelectedItem().NumIid, std::string("71"));
    QVERIFY(shopMenu->isVisible());
    QTest::keyClick(shopMenu, Qt::Key_Escape);
    QVERIFY(!shopMenu->isVisible());

    std::vector<MessageRequest> shown;
    MessageHandler previous = setMessageHandler([&shown](const MessageRequest &request) {
        shown.push_back(request);
        return QMessageBox::Ok;
    });
    const auto restore = qScopeGuard([&previous] { setMessageHandler(std::move(previous)); });
    fs::remove(m_folder->path() / "data" / "data.db");
    m_window->Common().Favourites.reconnect(2000);
    // A right press on the favourite button of the second row: the store fails, the error is
    // shown, and the press ends there, remembering nothing and opening no shop menu.
    QTest::mouseClick(viewport, Qt::RightButton, {}, buttonPlace(1, 2));
    QCOMPARE(shown.size(), std::size_t(1));
    QVERIFY(!shown[0].text.isEmpty());
    QCOMPARE(shown[0].caption, applicationTitle());
    QCOMPARE(shown[0].icon, QMessageBox::Critical);
    QCOMPARE(m_window->SelectedItem().NumIid, std::string("71"));
    QVERIFY(!shopMenu->isVisible());
    QCOMPARE(rowIds(tree()), (std::vector<std::string>{"71", "72"}));

    // A left press that fails the same way does not select its row either.
    const QModelIndex selected = tree()->currentIndex();
    QVERIFY(selected.row() != 1);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, buttonPlace(1, 2));
    QCOMPARE(shown.size(), std::size_t(2));
    QCOMPARE(tree()->currentIndex(), selected);
}

void ItemListTest::whollyCachedBatchMakesNoRequest()
{
    m_window->LoadItemPage(m_window->Common().Settings.IndexUrl);
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(waitForWorkers());
    const std::vector<std::string> ids = indexIds();
    QCOMPARE(tree()->model()->rowCount(), int(ids.size()));
    for (const std::string &id : ids) {
        QVERIFY(fs::exists(cacheFile(id)));
        postFault("picture=" + id + "&kind=not_found&times=1");
    }
    m_window->LoadItemPage(m_window->Common().Settings.IndexUrl);
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(waitForWorkers());
    QCoreApplication::processEvents();
    for (const std::string &id : ids)
        QVERIFY(pictureStillFaulty(id));
    for (int i = 0; i < rows().rowCount() && i < 3; ++i)
        QCOMPARE(rows().row(i).picture, ItemListModel::Picture::Shown);
}

void ItemListTest::rowsOutOfViewGetTheirThumbnailsFromTheDownloads()
{
    m_window->LoadItemPage(m_window->Common().Settings.IndexUrl);
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(waitForWorkers());
    QCoreApplication::processEvents();
    const int last = rows().rowCount() - 1;
    QVERIFY(rowRect(tree(), last).top() > tree()->viewport()->height());
    const ItemListModel::Row &row = rows().row(last);
    // Never painted, the row already holds the thumbnail made from the cache file, and its
    // record keeps no copy of the file.
    QCOMPARE(row.picture, ItemListModel::Picture::Shown);
    TJpegImage picture;
    QVERIFY(m_window->Common().LoadCachedPicture(row.record.NumIid, picture));
    const QImage expected = MakeItemThumbnail(picture, TItemTree::kThumbnailSide);
    QCOMPARE(row.thumbnail, expected);
    QVERIFY(row.record.Picture->Empty());

    tree()->setFocus();
    QTest::keyClick(tree(), Qt::Key_End);
    const int top = rowRect(tree(), last).top();
    QVERIFY(top >= 0);
    const QImage shown = tree()->viewport()->grab().toImage();
    QVERIFY(near(shown.pixelColor(41, top + 41), expected.pixelColor(40, 40)));
}

void ItemListTest::rowsInViewAreTheOnesTheDownloadsTakeFirst()
{
    m_window->LoadItemPage(m_window->Common().Settings.IndexUrl);
    QVERIFY(waitForGateway(*m_window));
    const auto idsOfRows = [this](int first, int count) {
        std::vector<std::string> ids;
        for (int i = first; i < first + count; ++i)
            ids.push_back(rows().row(i).record.NumIid);
        return ids;
    };
    const int inView =
        (tree()->viewport()->height() + TItemTree::kRowHeight - 1) / TItemTree::kRowHeight;
    const int count = rows().rowCount();
    QVERIFY(inView > 1 && count > inView);
    // A wheel step or a scroll arrow moves the list by 24 pixels, whatever the rows' height.
    QCOMPARE(tree()->verticalScrollBar()->singleStep(), 24);
    tree()->viewport()->grab();
    QCOMPARE(m_window->Common().OnScreen.ids(), idsOfRows(0, inView));

    tree()->setFocus();
    QTest::keyClick(tree(), Qt::Key_End);
    tree()->viewport()->grab();
    const int first = tree()->verticalScrollBar()->value() / TItemTree::kRowHeight;
    QCOMPARE(m_window->Common().OnScreen.ids(), idsOfRows(first, count - first));

    QVERIFY(waitForWorkers());
    list().Clear();
    tree()->viewport()->grab();
    QVERIFY(m_window->Common().OnScreen.ids().empty());
}

void ItemListTest::pictureFaultFailsOnlyItsOwnJob_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("secondStored");  // the faulty picture gets a cache file
    QTest::newRow("not found") << "not_found" << false;
    QTest::newRow("html body") << "html" << false;
    QTest::newRow("truncated") << "truncated" << true;
    QTest::newRow("empty body") << "empty" << true;
    QTest::newRow("redirect loop") << "redirect_loop" << false;
    QTest::newRow("dropped") << "drop" << false;
    QTest::newRow("slow") << "slow&delay_ms=300" << true;
}

void ItemListTest::pictureFaultFailsOnlyItsOwnJob()
{
    QFETCH(QString, kind);
    QFETCH(bool, secondStored);
    const std::vector<std::string> ids = indexIds();
    QVERIFY(ids.size() >= 3);
    postFault("picture=" + ids[1] + "&kind=" + kind.toStdString());
    m_window->LoadItemPage(m_window->Common().Settings.IndexUrl);
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(waitForWorkers());
    QCoreApplication::processEvents();
    QVERIFY(fs::exists(cacheFile(ids[0])));
    QCOMPARE(fs::exists(cacheFile(ids[1])), secondStored);
    // The worker goes on after the faulty picture: every later item gets its picture, and
    // only the faulty row keeps the stand-by picture.
    for (std::size_t i = 2; i < ids.size(); ++i)
        QVERIFY(fs::exists(cacheFile(ids[i])));
    for (const auto &entry : fs::directory_iterator(m_folder->path() / "temp"))
        QCOMPARE(entry.path().extension().string(), std::string(".jpg"));
    QCOMPARE(tree()->model()->rowCount(), int(ids.size()));
    QCOMPARE(rows().row(2).picture, ItemListModel::Picture::Shown);
}

void ItemListTest::newSearchWhileTheOldWorkerRuns()
{
    const std::vector<std::string> first = indexIds();
    postFault("picture=" + first[0] + "&kind=slow&delay_ms=800");
    m_window->LoadItemPage(m_window->Common().Settings.IndexUrl);
    QVERIFY(waitForGateway(*m_window));
    // The start-up list is shown and its worker is held up by the slow picture.
    QVERIFY(testsupport::waitForGateway(*m_window));
    m_window->LoadItemPage(m_window->BuildItemQuery(SearchMode::Keyword, "连衣裙", "", 1));
    QVERIFY(testsupport::waitForGateway(*m_window));
    const int shown = tree()->model()->rowCount();
    QVERIFY(shown > 0);
    QVERIFY(m_window->Common().Workers.size() >= 1);
    QVERIFY(waitForWorkers());
    QCoreApplication::processEvents();
    // The old worker finished its batch; its repaint requests for rows gone did nothing.
    for (const std::string &id : first)
        QVERIFY(fs::exists(cacheFile(id)));
    QCOMPARE(tree()->model()->rowCount(), shown);
}

void ItemListTest::shutdownWithWorkersNeverStartedOrStillRunning()
{
    const std::vector<std::string> ids = indexIds();
    postFault("picture=" + ids[0] + "&kind=not_found&times=1");
    postFault("picture=" + ids[1] + "&kind=slow&delay_ms=20000");
    auto never = std::make_unique<TImgDown>(m_window->Common(), [](const std::string &) {});
    never->AddJob({ids[0], m_sandbox->baseUrl() + "/pic/" + ids[0]});
    TCommon &common = m_window->Common();
    common.AddWorker({never->ThreadId(), std::move(never)});
    auto running = std::make_unique<TImgDown>(common, [](const std::string &) {});
    running->AddJob({ids[1], m_sandbox->baseUrl() + "/pic/" + ids[1]});
    TImgDown *started = running.get();
    common.AddWorker({running->ThreadId(), std::move(running)});
    started->Start();
    QTest::qWait(100);
    m_window.reset();
    QVERIFY(pictureStillFaulty(ids[0]));
    QVERIFY(!fs::exists(cacheFile(ids[1])));
}

// Where two pictures of the window first differ, for the failure message; empty when equal.
QString firstDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return QStringLiteral("sizes differ");
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return QStringLiteral("(%1, %2): %3 against %4")
                    .arg(x)
                    .arg(y)
                    .arg(QColor(a.pixel(x, y)).name(), QColor(b.pixel(x, y)).name());
    return {};
}

void ItemListTest::skinStaysTheSameUnderADarkDesktopPalette()
{
    const std::vector<TTaoBaoData> rows = {record("71"), record("72")};
    addRows(rows);
    const QImage light = m_window->grab().toImage();
    const QImage lightMenu = ui(m_window).Pop_MShop->grab().toImage();
    ui(m_window).cb_paixu->showPopup();
    const QImage lightList = ui(m_window).cb_paixu->view()->grab().toImage();
    ui(m_window).cb_paixu->hidePopup();

    // A dark desktop theme, as a platform theme hands it to the application.
    const QPalette desktop = QApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(desktop); });
    QPalette dark(QColor(60, 60, 60), QColor(40, 40, 40));
    dark.setColor(QPalette::Base, QColor(25, 25, 25));
    dark.setColor(QPalette::AlternateBase, QColor(45, 45, 45));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    QCoreApplication::processEvents();

    // The open window does not follow the change, and a window opened under it looks the same.
    QCOMPARE(firstDifference(m_window->grab().toImage(), light), QString());
    QCOMPARE(firstDifference(ui(m_window).Pop_MShop->grab().toImage(), lightMenu), QString());
    m_window.reset();
    m_window = openWindow(*m_folder);
    QVERIFY(m_window);
    ui(m_window).pnl_load->hide();
    addRows(rows);
    QCOMPARE(firstDifference(m_window->grab().toImage(), light), QString());
    ui(m_window).cb_paixu->showPopup();
    QCOMPARE(firstDifference(ui(m_window).cb_paixu->view()->grab().toImage(), lightList),
             QString());
    ui(m_window).cb_paixu->hidePopup();
    // The rows are painted on plain white, also beside their texts.
    QCOMPARE(rowImage(1).pixelColor(280, 70), QColor(Qt::white));
}

void ItemListTest::screenshotOfTheItemList()
{
    m_window.reset();
    ProgramFolder shipped;
    shipped.writeArchive(protectedConfig(sandboxSettings(m_sandbox->baseUrl())), shippedPictures());
    m_window = openWindow(shipped);
    QVERIFY(m_window);
    m_window->LoadCategoryLevel("0");
    QVERIFY(waitForGateway(*m_window));
    ui(m_window).E_Serch->setText(QStringLiteral("连衣裙"));
    m_window->LoadItemPage(m_window->BuildItemQuery(SearchMode::Keyword, "连衣裙", "", 1));
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(waitForWorkers());
    QCoreApplication::processEvents();
    QWidget *viewport = tree()->viewport();
    click(viewport, QPoint(300, 40));
    sendMouse(viewport, QEvent::MouseMove, QPoint(620, TItemTree::kRowHeight + 40));
    sendMouse(viewport, QEvent::MouseMove, QPoint(40, 2 * TItemTree::kRowHeight + 40));
    QCoreApplication::processEvents();

    QImage image = m_window->grab().toImage();
    Tfrm_imgframe *popup = m_window->ImgFrame();
    QVERIFY(popup->isVisible());
    QPainter painter(&image);
    painter.drawImage(m_window->mapFromGlobal(popup->pos()), popup->grab().toImage());
    painter.end();
    const QString folder = qEnvironmentVariable("QUENBO_SCREENSHOT_DIR");
    QVERIFY(!folder.isEmpty());
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(image.save(folder + QStringLiteral("/item_list.png")));
    m_window.reset();
}

QTEST_MAIN(ItemListTest)
#include "tst_item_list.moc"
