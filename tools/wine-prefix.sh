# Sourced by the scripts that run our Windows programs under Wine.

# boot_wine_prefix: makes $WINEPREFIX on first use (mono and gecko are not
# wanted and would be offered). The 64-bit loader makes it, so that it runs
# 32-bit programs too when wine32 is installed. One booted before wine32 was
# installed cannot run them: it is ours, under the build folder, so it is
# made again.
boot_wine_prefix() {
    if [ -x /usr/lib/wine/wine ] && [ -f "$WINEPREFIX/system.reg" ] &&
        [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
        echo "wine-prefix: $WINEPREFIX has no 32-bit half; booting it again"
        rm -rf "$WINEPREFIX"
    fi
    mkdir -p "$WINEPREFIX"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
        /usr/lib/wine/wineserver -w
    fi
}

# prepare_wine_prefix boots $WINEPREFIX once and has it draw the faces our
# windows ask for with faces that have the Chinese characters and read
# cleanly at 12 to 16 px, smoothed: 宋体 and Wine's own interface faces with
# AR PL UMing (a Ming face, as 宋体 is), the large 楷体 heading with
# WenQuanYi Zen Hei.
prepare_wine_prefix() {
    boot_wine_prefix
    reg=$WINEPREFIX/vexla-fonts.reg
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        for face in 宋体 SimSun 新宋体 NSimSun Tahoma "MS Shell Dlg" "MS Shell Dlg 2"; do
            printf '"%s"="AR PL UMing CN"\r\n' "$face"
        done
        for face in 楷体_GB2312 楷体 KaiTi; do
            printf '"%s"="WenQuanYi Zen Hei"\r\n' "$face"
        done
        # Grey-scale smoothing: no colour fringes in the pictures.
        printf '\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n'
        printf '"FontSmoothing"="2"\r\n"FontSmoothingType"=dword:00000001\r\n'
    } | iconv -f UTF-8 -t UTF-16 >"$reg"
    /usr/lib/wine/wine64 regedit /S "Z:$(echo "$reg" | tr / '\\')" >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
    # Wine draws the caption buttons with Marlett; a prefix without it shows letters.
    fonts=$WINEPREFIX/drive_c/windows/Fonts
    [ -f "$fonts/marlett.ttf" ] || cp /usr/share/wine/fonts/marlett.ttf "$fonts/" 2>/dev/null || true
}

# write_driver_config SEGMENT FORMAT PORT BAUD SHOW_WINDOW: the driver's file
# of that segment in the prefix's "C:\系统配置" (GBK, CR LF).
write_driver_config() {
    config="$WINEPREFIX/drive_c/系统配置"
    mkdir -p "$config"
    printf '[硬件类型]\r\n数据格式=%s\r\n[通讯设置]\r\n串口编号=%s\r\n波特率=%s\r\n[用户参数]\r\n显示DLL小窗口=%s\r\n' \
        "$2" "$3" "$4" "$5" | iconv -f UTF-8 -t GBK >"$config/Vexla配置$(printf %03d "$1").txt"
}
