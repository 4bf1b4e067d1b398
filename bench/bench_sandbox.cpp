#include "sandbox_test_support.h"

#include <benchmark/benchmark.h>

#include <ctime>

// The sandbox's figures: building a 40-item gateway answer in process, and serving it over
// loopback beside a trivial request on the same keep-alive connection.

namespace {

using namespace quenbo::sandbox;

test::Params itemQuery()
{
    test::Params params = test::commonParams("taobao.taobaoke.items.get");
    params.emplace_back("fields", "num_iid,title,nick,pic_url,price,click_url,commission,"
                                  "shop_click_url,seller_credit_score,item_location,volume");
    params.emplace_back("keyword", "连衣裙");
    params.emplace_back("nick", "sandbox");
    params.emplace_back("page_no", "1");
    params.emplace_back("page_size", "40");
    return params;
}

void BM_ItemAnswerInProcess(benchmark::State &state)
{
    SandboxConfig config;
    config.lenientTime = true;
    const Catalogue catalogue(config.seed);
    const Gateway gateway(catalogue, {config.appKey, config.appSecret, true}, "http://127.0.0.1:1");
    test::Params params = itemQuery();
    params.emplace_back("sign", test::clientSignature(params, config.appSecret));
    const QueryParams query(params.begin(), params.end());
    for (auto _ : state)
        benchmark::DoNotOptimize(gateway.answer(query, std::time(nullptr)));
}
BENCHMARK(BM_ItemAnswerInProcess);

void BM_ItemAnswerOverLoopback(benchmark::State &state)
{
    test::RunningSandbox sandbox;
    sandbox.client().set_keep_alive(true);
    sandbox.client().set_tcp_nodelay(true);
    const std::string target = test::signedTarget(itemQuery());
    for (auto _ : state)
        benchmark::DoNotOptimize(sandbox.get(target).body.size());
}
BENCHMARK(BM_ItemAnswerOverLoopback)->UseRealTime();

void BM_VersionFileOverLoopback(benchmark::State &state)
{
    test::RunningSandbox sandbox;
    sandbox.client().set_keep_alive(true);
    sandbox.client().set_tcp_nodelay(true);
    for (auto _ : state)
        benchmark::DoNotOptimize(sandbox.get("/bate.txt").body.size());
}
BENCHMARK(BM_VersionFileOverLoopback)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
