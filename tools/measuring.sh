# Sourced by the measuring scripts.

# start_streaming_gauges BIN COM starts
# gaugesim with 32 gauges pushing format 3 at 115200 baud, each as fast as
# it reads, on COM N, in a home of its own under $work (which the caller
# made and removes), and sets $sim to its process.
start_streaming_gauges() {
    export HOME=$work XDG_CONFIG_HOME=$work/.config
    mkdir -p "$XDG_CONFIG_HOME/系统配置"
    printf '[硬件类型]\r\n数据格式=3\r\n[通讯设置]\r\n串口编号=%s\r\n波特率=115200\r\n[用户参数]\r\n显示DLL小窗口=0\r\n' "$2" |
        iconv -f UTF-8 -t GBK >"$XDG_CONFIG_HOME/系统配置/Vexla配置001.txt"
    "$1/gaugesim" --format 3 --channels 1-32 --baud 115200 --com "$2" --state fast --motion walk >"$work/sim.log" 2>&1 &
    sim=$!
    for _ in $(seq 50); do grep -q '^link:' "$work/sim.log" 2>/dev/null && break; sleep 0.1; done
}

# cpu_ticks PID: the clock ticks (utime + stime) that the process and its
# main thread have used so far, as "PROCESS THREAD". The fields are read
# after the command name, which may hold spaces.
cpu_ticks() {
    for stat in "/proc/$1/stat" "/proc/$1/task/$1/stat"; do sed 's/.*) //' "$stat" | awk '{ printf "%d ", $12 + $13 }'; done
}
