// Cost of the digest every sign-in and every signed request pays, and of the encoders that build
// each upload body.

#include "platform/Md5.h"
#include "platform/UrlEncoders.h"

#include <benchmark/benchmark.h>

#include <QString>

namespace {

void md5_16Ascii(benchmark::State& state)
{
    const QString text = QStringLiteral("2026126100morva371");
    for (auto _ : state)
        benchmark::DoNotOptimize(velmo::MD5_16(text));
}
BENCHMARK(md5_16Ascii);

void md5_16Chinese(benchmark::State& state)
{
    const QString text = QStringLiteral("我的密码是中文的");
    for (auto _ : state)
        benchmark::DoNotOptimize(velmo::MD5_16(text));
}
BENCHMARK(md5_16Chinese);

void encodeMemoContent(benchmark::State& state)
{
    // A memo of a few thousand characters, half Chinese.
    const QString content = QStringLiteral("明天上午十点开会, bring the slides & notes.\n").repeated(64);
    for (auto _ : state) {
        benchmark::DoNotOptimize(velmo::EncodePostData(content));
        benchmark::DoNotOptimize(velmo::URLEncode(content));
    }
    state.SetBytesProcessed(state.iterations() * content.size() * 2);
}
BENCHMARK(encodeMemoContent);

} // namespace

BENCHMARK_MAIN();
