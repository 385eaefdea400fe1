#include "app/CommandLine.h"

#include <cstring>
#include <string_view>

namespace {
// Qt's own options, taken with one or two leading dashes.
constexpr std::string_view kWithValue[] = {"platform",
                                           "platformpluginpath",
                                           "platformtheme",
                                           "plugin",
                                           "qwindowgeometry",
                                           "qwindowicon",
                                           "qwindowtitle",
                                           "display",
                                           "geometry",
                                           "title",
                                           "name",
                                           "session",
                                           "style",
                                           "stylesheet",
                                           "qmljsdebugger"};
constexpr std::string_view kFlags[] = {"reverse", "widgetcount", "nograb",
                                       "dograb",  "sync",        "testability"};

// The option's name without its dashes, or empty when the argument is not one.
std::string_view OptionName(const char* arg) {
    std::string_view a(arg);
    if (a.size() < 2 || a[0] != '-') {
        return {};
    }
    a.remove_prefix(a[1] == '-' ? 2 : 1);
    return a;
}
} // namespace

std::vector<char*> WithoutQtOptions(int argc, char** argv) {
    std::vector<char*> own;
    own.push_back(argc > 0 ? argv[0] : nullptr);
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = OptionName(argv[i]);
        bool taken = false;
        for (std::string_view q : kWithValue) {
            if (name == q && i + 1 < argc) {
                ++i; // its value goes with it
                taken = true;
            } else if (name.size() > q.size() && name.substr(0, q.size()) == q &&
                       name[q.size()] == '=') {
                taken = true;
            }
        }
        for (std::string_view q : kFlags) {
            taken = taken || name == q;
        }
        if (!taken) {
            own.push_back(argv[i]);
        }
    }
    own.push_back(nullptr);
    return own;
}
