#include "ui/terminal/utf8_locale.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>

namespace vexla::ui::terminal {

bool UseUtf8Locale() {
    std::setlocale(LC_ALL, "");
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0) return true;
    return std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
}

}  // namespace vexla::ui::terminal
