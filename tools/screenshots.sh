#!/bin/sh
# The README's pictures of the driver's control window: one PNG per page in
# docs/screenshots/, taken under Xvfb in Wine's virtual desktop (which draws
# the window frame), with eight simulated gauges on COM21. Chinese text is
# drawn with WenQuanYi Zen Hei, which the prefix is told to use for the
# faces the window asks for.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
work=$root/build/screenshots
out=$root/docs/screenshots
wine=/usr/lib/wine/wine64
bin64=$root/build/win64/bin
sim=$root/build/native/bin/gaugesim

export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$work" "$out"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot -i >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
fi

# Font replacements: the driver's faces and Wine's own interface face.
reg=$work/fonts.reg
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for face in 宋体 SimSun 新宋体 NSimSun 楷体_GB2312 楷体 KaiTi Tahoma "MS Shell Dlg" "MS Shell Dlg 2"; do
        printf '"%s"="WenQuanYi Zen Hei"\r\n' "$face"
    done
} | iconv -f UTF-8 -t UTF-16 >"$reg"
"$wine" regedit /S "Z:$(echo "$reg" | tr / '\\')" >/dev/null 2>&1
/usr/lib/wine/wineserver -w
# Wine draws the caption buttons with Marlett; a prefix without it shows letters.
fonts=$WINEPREFIX/drive_c/windows/Fonts
[ -f "$fonts/marlett.ttf" ] || cp /usr/share/wine/fonts/marlett.ttf "$fonts/" 2>/dev/null || true

# The driver's file: format 3 on COM21, the window shown after start-up.
config="$WINEPREFIX/drive_c/系统配置"
mkdir -p "$config"
printf '[硬件类型]\r\n数据格式=3\r\n[通讯设置]\r\n串口编号=21\r\n波特率=19200\r\n[用户参数]\r\n显示DLL小窗口=1\r\n' |
    iconv -f UTF-8 -t GBK >"$config/Vexla配置000.txt"

"$sim" --format 3 --channels 1-8 --kind 5-8=0.001 --com 21 --motion sine --position 3 --amplitude 2 \
    --silence 4@1+600 >"$work/gaugesim.log" 2>&1 &
simpid=$!
trap 'kill $simpid 2>/dev/null || true' EXIT INT TERM
sleep 1

for page in 0 1 2 3; do
    shot=$work/page$page.png
    xvfb-run -a -s "-screen 0 800x600x24" sh -c "
        cd '$bin64'
        '$wine' explorer /desktop=shot,420x320 vexla_window_host.exe --page $page --seconds 9 >'$work/host$page.log' 2>/dev/null &
        sleep 7
        import -window root '$shot'
        wait
    "
    # The window stands at the virtual desktop's top left; its rectangle is in the host's log.
    rect=$(sed -n 's/^window: //p' "$work/host$page.log" | tr -d '\r' | head -n 1)
    if [ -n "$rect" ]; then
        set -- $rect
        convert "$shot" -crop "$(($3 - $1))x$(($4 - $2))+$1+$2" +repage "$out/control-window-page$page.png"
    else
        cp "$shot" "$out/control-window-page$page.png"
    fi
    echo "docs/screenshots/control-window-page$page.png"
done
