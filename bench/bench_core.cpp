#include "core/md5.h"
#include "core/ucommon.h"
#include "pictures/picture_writers.h"
#include "platform/file_io.h"
#include "program_folder.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <random>

namespace quenbo {
namespace {

// One program directory and core object for the whole run.
struct Fixture {
    Fixture()
    {
        dir.writeStandardArchive();
        zip = dir.openArchive();
        common = std::make_unique<TCommon>(*zip, dir.appPath());
        writeCachedPicture();
    }

    // A noisy picture, grown until its JPEG file is at least 60 KB.
    void writeCachedPicture()
    {
        std::mt19937 random(7);
        std::vector<std::uint8_t> jpeg;
        for (int side = 128; jpeg.size() < 60 * 1024; side += 16) {
            RgbaImage image;
            image.allocate(side, side);
            for (auto &byte : image.pixels)
                byte = std::uint8_t(random());
            jpeg = EncodeJpeg(image);
        }
        pictureFile = *common->CacheFileName("4711");
        std::ofstream(pictureFile, std::ios::binary)
            .write(reinterpret_cast<const char *>(jpeg.data()), std::streamsize(jpeg.size()));
        pictureSize = jpeg.size();
    }

    testsupport::ProgramFolder dir;
    std::unique_ptr<TZipFile> zip;
    std::unique_ptr<TCommon> common;
    std::string pictureFile;
    std::size_t pictureSize = 0;
};

Fixture &fixture()
{
    static Fixture instance;
    return instance;
}

std::vector<std::string> itemQuery()
{
    return {"app_key=12345678",
            "&format=xml",
            "&cid=50010",
            "&end_credit=5goldencrown",
            "&fields=num_iid,title,nick,pic_url,price,click_url,commission,"
            "commission_rate,commission_num,commission_volume,shop_click_url,"
            "seller_credit_score,item_location,volume",
            "&method=taobao.taobaoke.items.get",
            "&nick=测试者",
            "&page_no=1",
            "&page_size=40",
            "&sign=",
            "&sort=commissionNum_desc",
            "&start_credit=1heart",
            "&timestamp=2024-01-02 03:04:05",
            "&v=2.0"};
}

void BM_SignAndBuildItemQuery(benchmark::State &state)
{
    const TCommon &common = *fixture().common;
    for (auto _ : state) {
        std::vector<std::string> elements = itemQuery();
        elements[9] = "&sign=" + common.SignRequest(elements);
        benchmark::DoNotOptimize(common.BuildRequestUrl(elements));
    }
}
BENCHMARK(BM_SignAndBuildItemQuery);

// Reference: the bare digest of a signed text of the same length.
void BM_Md5OfSignedText(benchmark::State &state)
{
    std::size_t length = fixture().common->Settings.AppSecret.size();
    for (const auto &element : itemQuery())
        length += element.size();
    const std::string text(length, 'a');
    for (auto _ : state)
        benchmark::DoNotOptimize(Md5Hex(text));
}
BENCHMARK(BM_Md5OfSignedText);

void fillFavourites(std::size_t count)
{
    TCommon &common = *fixture().common;
    if (common.Favourites.ids().size() == count)
        return;
    common.Favourites.ids().clear();
    for (std::size_t i = 0; i < count; ++i)
        common.Favourites.ids().append(std::to_string(10000000000 + i * 37));
}

void BM_IsFavourite(benchmark::State &state)
{
    fillFavourites(std::size_t(state.range(0)));
    const TCommon &common = *fixture().common;
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(common.IsFavourite(common.Favourites.ids()[next]));
        next = (next + 1) % common.Favourites.ids().size();
    }
}
BENCHMARK(BM_IsFavourite)->Arg(40)->Arg(10000);

void BM_LoadCachedPicture(benchmark::State &state)
{
    const TCommon &common = *fixture().common;
    for (auto _ : state) {
        TJpegImage picture;
        if (!common.LoadCachedPicture("4711", picture))
            state.SkipWithError("picture not loaded");
        benchmark::DoNotOptimize(picture);
    }
    state.counters["bytes"] = double(fixture().pictureSize);
}
BENCHMARK(BM_LoadCachedPicture);

// Reference: a plain read of the same file.
void BM_ReadPictureFile(benchmark::State &state)
{
    const std::string &file = fixture().pictureFile;
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes;
        readWholeFile(file, 1u << 26, bytes);
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ReadPictureFile);

}  // namespace
}  // namespace quenbo

BENCHMARK_MAIN();
