// quenbo-pack: writes the resource archive (interface pictures and protected settings).
#include "pack/pack_job.h"
#include "pack/pack_options.h"

#include <QGuiApplication>

#include <exception>
#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char **argv)
{
    using namespace quenbo::pack;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const ParsedOptions parsed = parsePackOptions(args);
    if (parsed.help) {
        std::cout << packUsageText();
        return 0;
    }
    if (!parsed.error.empty()) {
        std::cerr << "quenbo-pack: " << parsed.error << "\n"
                  << "Try 'quenbo-pack --help'.\n";
        return 2;
    }

    // The captions need fonts, hence a GUI application, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    try {
        runPack(parsed.options);
    } catch (const std::exception &error) {
        std::cerr << "quenbo-pack: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
