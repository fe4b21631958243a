// VexlaStation: the operator's inspection station. The driver is bound by
// the session at start through host/; a missing Vexla.dll is said in a
// message and the window stays, its tiles grey, so the setup can be mended.
//   VexlaStation.exe [--station FILE]   (default: C:\系统配置\VexlaStation.ini)

#include <windows.h>

#include <shellapi.h>

#include <string>

#include "base/win32/wide_text.h"
#include "station/model/station_session.h"
#include "station_window_win32.h"
#include "ui/win32/message_loop.h"

namespace {

std::string StationFileArgument() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::string file;
    for (int i = 1; arguments != nullptr && i + 1 < count; ++i)
        if (std::wstring(arguments[i]) == L"--station") file = vexla::Narrow(arguments[i + 1]);
    LocalFree(arguments);
    return file;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    vexla::station::StationSession session({StationFileArgument(), ""});
    vexla::station::StationWindow window(session);
    if (window.Handle() == nullptr) return 1;
    ShowWindow(window.Handle(), show);
    UpdateWindow(window.Handle());

    return vexla::ui::RunMessageLoop([&] { return window.Handle(); },
                                     [&](const MSG& message) { return window.PreTranslate(message); });
}
