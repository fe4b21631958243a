#!/bin/sh
# The C# binding under Mono: compiles Vexla.cs with the tests and with the
# example, as a user would, and runs both against libVexla.so and gaugesim
# on COM 43, in a home of this run's own (the driver reads its folders from
# HOME and XDG_CONFIG_HOME at its first call).
#
# Usage: csharp_test.sh BIN_DIR SOURCE_DIR
set -u
bin=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
com=43

for tool in mcs mono iconv; do
    if ! command -v $tool >/dev/null 2>&1; then
        echo "FAILED: $tool is not installed (tools/install-deps.sh installs it)"
        exit 1
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vexla-csharp.XXXXXX")
export HOME="$work" XDG_CONFIG_HOME="$work/.config"
mkdir -p "$XDG_CONFIG_HOME/系统配置"
printf '[硬件类型]\r\n数据格式=3\r\n[通讯设置]\r\n串口编号=%s\r\n波特率=19200\r\n[用户参数]\r\n显示DLL小窗口=0\r\n' $com |
    iconv -f UTF-8 -t GBK >"$XDG_CONFIG_HOME/系统配置/Vexla配置000.txt" || exit 1

mcs -unsafe -warnaserror -nologo -out:"$work/VexlaTests.exe" "$here/Vexla.cs" "$here/tests/VexlaTests.cs" || exit 1
mcs -unsafe -warnaserror -nologo -out:"$work/Example.exe" "$here/Vexla.cs" "$here/Example.cs" || exit 1

"$bin/gaugesim" --format 3 --com $com --channels 1-4 --kind 4=0.001 --motion still --position 2.5 \
    >"$work/gaugesim.log" 2>&1 &
sim=$!
tries=0
until grep -q "vexla/dosdevices/com$com" "$work/gaugesim.log" || [ $tries -ge 100 ]; do
    sleep 0.1
    tries=$((tries + 1))
done

# Mono finds libVexla.so for DllImport("Vexla") through LD_LIBRARY_PATH.
LD_LIBRARY_PATH="$bin" mono --debug "$work/VexlaTests.exe" "$bin" "$src" "$work/gaugesim.log"
status=$?

# The tests ended their session, so the example can open the port.
LD_LIBRARY_PATH="$bin" mono --debug "$work/Example.exe" 1.5 4 >"$work/example.txt" 2>&1
if [ $? -eq 0 ] && grep -Eq '^ +4 +2\.5000 +2\.5000 +[0-9]+\.[0-9]$' "$work/example.txt"; then
    echo "ok: the example prints gauge 4 at 2.5 mm"
else
    echo "FAILED: the example prints gauge 4 at 2.5 mm:"
    cat "$work/example.txt"
    status=1
fi

kill $sim
wait $sim 2>/dev/null
if [ $status -eq 0 ]; then
    rm -rf "$work"
else
    echo "gaugesim's log:"
    tail -20 "$work/gaugesim.log"
    echo "kept: $work"
fi
exit $status
