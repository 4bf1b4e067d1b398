// quenbo-pack: writes the resource archive (interface pictures and protected settings).
#include "pack/pack_job.h"
#include "pack/pack_options.h"

#include <QGuiApplication>

#include <string_view>
#include <vector>

int main(int argc, char **argv)
{
    using namespace quenbo::pack;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const ParsedOptions parsed = parsePackOptions(args);
    return quenbo::tools::runProgram("quenbo-pack", parsed, packUsageText(), [&] {
        // The captions need fonts, hence a GUI application, but never a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication application(argc, argv);
        runPack(parsed.options);
        return 0;
    });
}
