// station_screenshots: the README's pictures of the station. It starts
// VexlaStation.exe with a station file, takes parts as an operator does
// (a scanned identity, Enter, the pedal) while gaugesim's gauges move, and
// copies the screen under the window into BMP files once the window shows
// an OK part, a NOK part, and the chart of the drifting characteristic
// (tools/screenshots.sh makes PNGs of them).
//
//   station_screenshots.exe STATION_FILE OUT_FOLDER

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "station_ids.h"
#include "station_layout.h"
#include "ui/win32/gdi.h"
#include "ui/win32/painted_view.h"
#include "wine_program.h"

namespace {

namespace ids = vexla::station::ids;
using namespace std::chrono_literals;

constexpr int kRed = 2;  // TileColour as the board says it
constexpr int kGrey = 3;

std::wstring Text(HWND window) {
    std::wstring text(8192, L'\0');
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 2000,
                        &length);
    text.resize(std::min<std::size_t>(length, text.size()));
    return text;
}

vexla::station::TileLine Tile(HWND form, int channel) {
    const std::wstring text = Text(GetDlgItem(form, ids::kTiles));
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length, nullptr, nullptr);
    for (const auto& t : vexla::station::ParseTileLines(utf8))
        if (t.channel == channel) return t;
    return {};
}

int State(HWND view) {
    DWORD_PTR state = 0;
    SendMessageTimeoutW(view, PVM_GETSTATE, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
    return static_cast<int>(state);
}

// The screen under `r` as a 24-bit BMP.
bool SaveScreen(const RECT& r, const std::filesystem::path& file) {
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const vexla::ui::WindowDc screen(nullptr);
    const vexla::ui::MemoryDc memory(screen.Get());
    const vexla::ui::GdiBitmap bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    {
        const vexla::ui::SelectedObject chosen(memory.Get(), bitmap.Get());
        BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), r.left, r.top, SRCCOPY);
    }
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    const int stride = (width * 3 + 3) & ~3;
    std::string pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), '\0');
    GetDIBits(memory.Get(), bitmap.Get(), 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* out = _wfopen(file.c_str(), L"wb");
    if (out == nullptr) return false;
    std::fwrite(&header, sizeof header, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    std::fclose(out);
    std::printf("%ls\n", file.c_str());
    return true;
}

RECT Outline(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: station_screenshots STATION_FILE OUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path out = argv[2];
    const std::filesystem::path program = std::filesystem::path(argv[0]).parent_path() / L"VexlaStation.exe";
    std::wstring commandLine = L"\"" + program.wstring() + L"\" --station \"" + argv[1] + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start %ls\n", program.c_str());
        return 1;
    }
    HWND form = nullptr;
    const bool up = vexla::wine::Eventually([&] {
        form = vexla::wine::TopWindow(process.dwProcessId, L"VexlaStation");
        return form != nullptr && Tile(form, 1).channel == 1 && Tile(form, 1).colour != kGrey;  // a reading
    });
    if (!up) {
        std::fprintf(stderr, "the station shows no gauge\n");
        if (FILE* done = _wfopen((out / L"station-done").c_str(), L"wb")) std::fclose(done);
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    const auto item = [&](int id) { return GetDlgItem(form, id); };
    const auto capture = [&](const std::wstring& identity, UINT key) {
        SetForegroundWindow(form);
        const HWND field = item(ids::kPartId);
        for (wchar_t c : identity) PostMessageW(field, WM_CHAR, c, 1);
        PostMessageW(field, WM_KEYDOWN, key, 1);
        PostMessageW(field, WM_KEYUP, key, 0xC0000001);
    };
    // The drifting characteristic's chart, chosen by its tile.
    const vexla::station::TileLine drifting = Tile(form, 3);
    PostMessageW(item(ids::kTiles), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM((drifting.left + drifting.right) / 2, (drifting.top + drifting.bottom) / 2));

    int number = 1000;
    const auto part = [&](UINT key) {
        const HWND parts = item(ids::kParts);
        wchar_t before[64] = {};
        GetWindowTextW(parts, before, 64);
        capture(L"A-" + std::to_wstring(++number), key);
        vexla::wine::Eventually(
            [&] {
                wchar_t now[64] = {};
                SendMessageTimeoutW(parts, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(now), SMTO_ABORTIFHUNG, 2000,
                                    nullptr);
                return std::wstring(now) != before;
            },
            10s);
    };
    // Parts at a steady pace while gauge 3 drifts out of its limits.
    for (int i = 0; i < 8; ++i) {
        part(VK_RETURN);
        std::this_thread::sleep_for(700ms);
    }
    vexla::wine::Eventually([&] { return State(item(ids::kVerdict)) == ids::kVerdictOk; }, 1s);
    if (State(item(ids::kVerdict)) == ids::kVerdictOk) SaveScreen(Outline(form), out / L"station-ok.bmp");
    while (Tile(form, 3).colour != kRed && number < 1060) {
        part(VK_RETURN);
        std::this_thread::sleep_for(700ms);
    }
    part(VK_F9);
    if (State(item(ids::kVerdict)) == ids::kVerdictNok) SaveScreen(Outline(form), out / L"station-nok.bmp");
    // The process panel alone, in a larger window: the chart and the Ppk list.
    SetWindowPos(form, nullptr, 0, 0, 1390, 990, SWP_NOZORDER | SWP_NOACTIVATE);
    std::this_thread::sleep_for(1s);
    RECT chart = Outline(item(ids::kChart));
    const RECT list = Outline(item(ids::kCapability));
    chart.right = list.right;
    InflateRect(&chart, 4, 4);
    SaveScreen(chart, out / L"station-chart.bmp");

    PostMessageW(form, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, 10000);
    if (FILE* done = _wfopen((out / L"station-done").c_str(), L"wb")) std::fclose(done);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
