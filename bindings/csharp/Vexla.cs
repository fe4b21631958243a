// Vexla.cs: the dial-gauge driver (Vexla.dll, libVexla.so) from C#.
//
// One file to add to a project. The records hold fixed-size arrays, so the
// project must allow unsafe code (<AllowUnsafeBlocks>true</AllowUnsafeBlocks>,
// or mcs/csc -unsafe); callers of the checked methods below need no unsafe
// code themselves.
//
// Call everything from one thread (a GUI program: its UI thread, from a
// 50 ms timer). Every 50 ms: GetReFlashRate32, then GetNewData32Ch; end with
// DLL_End_Application. Values are tenths of the gauge's last digit: use
// Driver.Millimetres with the gauge's kind.

using System;
using System.Runtime.InteropServices;
using System.Text;

namespace Vexla
{
    /// <summary>The step a gauge shows.</summary>
    public enum GaugeKind
    {
        Hundredth,  // 0.01 mm gauge: the driver counts in 0.001 mm
        Thousandth, // 0.001 mm gauge: the driver counts in 0.0001 mm
    }

    /// <summary>GetNewData32Ch's block, 320 bytes.</summary>
    [StructLayout(LayoutKind.Explicit, Size = 320)]
    public unsafe struct DataBlock32
    {
        [FieldOffset(0)] public fixed int Value[32];
        [FieldOffset(128)] public fixed int Displacement[32];
        [FieldOffset(256)] public fixed short Updated[32]; // -1: new in this fetch

        public int ValueAt(int channel) { Driver.CheckChannel(channel, 32); fixed (int* p = Value) return p[channel]; }
        public int DisplacementAt(int channel) { Driver.CheckChannel(channel, 32); fixed (int* p = Displacement) return p[channel]; }
        public bool IsUpdated(int channel) { Driver.CheckChannel(channel, 32); fixed (short* p = Updated) return p[channel] == -1; }
    }

    /// <summary>GetNewData16Ch's block, 160 bytes.</summary>
    [StructLayout(LayoutKind.Explicit, Size = 160)]
    public unsafe struct DataBlock16
    {
        [FieldOffset(0)] public fixed int Value[16];
        [FieldOffset(64)] public fixed int Displacement[16];
        [FieldOffset(128)] public fixed short Updated[16];

        public int ValueAt(int channel) { Driver.CheckChannel(channel, 16); fixed (int* p = Value) return p[channel]; }
        public int DisplacementAt(int channel) { Driver.CheckChannel(channel, 16); fixed (int* p = Displacement) return p[channel]; }
        public bool IsUpdated(int channel) { Driver.CheckChannel(channel, 16); fixed (short* p = Updated) return p[channel] == -1; }
    }

    /// <summary>GotSerialData's record, 84 bytes.</summary>
    [StructLayout(LayoutKind.Explicit, Size = 84)]
    public unsafe struct Record8
    {
        [FieldOffset(0)] public short Header;       // -1: a result, 0: nothing new
        [FieldOffset(2)] public short RelativeFlag; // -1: displacements relative to zero points
        [FieldOffset(4)] public fixed int Value[8];
        [FieldOffset(36)] public fixed int Displacement[8];
        [FieldOffset(68)] public fixed short Updated[8];

        public int ValueAt(int channel) { Driver.CheckChannel(channel, 8); fixed (int* p = Value) return p[channel]; }
        public int DisplacementAt(int channel) { Driver.CheckChannel(channel, 8); fixed (int* p = Displacement) return p[channel]; }
        public bool IsUpdated(int channel) { Driver.CheckChannel(channel, 8); fixed (short* p = Updated) return p[channel] == -1; }
    }

    /// <summary>GotSerialData32's record, 324 bytes.</summary>
    [StructLayout(LayoutKind.Explicit, Size = 324)]
    public unsafe struct Record32
    {
        [FieldOffset(0)] public short Header;
        [FieldOffset(2)] public short RelativeFlag;
        [FieldOffset(4)] public fixed int Value[32];
        [FieldOffset(132)] public fixed int Displacement[32];
        [FieldOffset(260)] public fixed short Updated[32];

        public int ValueAt(int channel) { Driver.CheckChannel(channel, 32); fixed (int* p = Value) return p[channel]; }
        public int DisplacementAt(int channel) { Driver.CheckChannel(channel, 32); fixed (int* p = Displacement) return p[channel]; }
        public bool IsUpdated(int channel) { Driver.CheckChannel(channel, 32); fixed (short* p = Updated) return p[channel] == -1; }
    }

    /// <summary>A host's fetch every 50 ms with each channel's last reading
    /// kept: a result carries 0 for the channels it has nothing new for, so
    /// only the flagged readings replace what a channel showed.</summary>
    public sealed class Gauges
    {
        readonly GaugeKind[] kinds = new GaugeKind[Driver.Channels];
        readonly int[] rates = new int[Driver.Channels];
        readonly bool[] seen = new bool[Driver.Channels];
        readonly int[] values = new int[Driver.Channels];
        readonly int[] displacements = new int[Driver.Channels];
        DataBlock32 block;

        /// <summary>Channels hold 0.01 mm gauges until told otherwise.</summary>
        public void SetKind(int channel, GaugeKind kind) { Driver.CheckChannel(channel, Driver.Channels); kinds[channel] = kind; }

        /// <summary>GetReFlashRate32, then GetNewData32Ch; the number of
        /// channels with a new reading.</summary>
        public int Fetch()
        {
            Driver.GetReFlashRate32(rates);
            Driver.GetNewData32Ch(ref block);
            int fresh = 0;
            for (int i = 0; i < Driver.Channels; i++)
            {
                if (!block.IsUpdated(i)) continue;
                seen[i] = true;
                values[i] = block.ValueAt(i);
                displacements[i] = block.DisplacementAt(i);
                fresh++;
            }
            return fresh;
        }

        public bool IsNew(int channel) { return block.IsUpdated(channel); }
        /// <summary>Millimetres; null until the gauge has delivered.</summary>
        public double? Value(int channel) { return Kept(channel, values); }
        public double? Displacement(int channel) { return Kept(channel, displacements); }
        /// <summary>Updates per second at the last fetch; null when the driver had none.</summary>
        public double? Rate(int channel) { Driver.CheckChannel(channel, Driver.Channels); return Driver.PerSecond(rates[channel]); }

        double? Kept(int channel, int[] tenths)
        {
            Driver.CheckChannel(channel, Driver.Channels);
            return seen[channel] ? Driver.Millimetres(tenths[channel], kinds[channel]) : (double?)null;
        }
    }

    /// <summary>The driver's exports. Channels are indexed 0..31. The driver
    /// reads only the low byte of most arguments, so a value it would misread
    /// (a channel of 256 would zero channel 0) throws here instead.</summary>
    public static class Driver
    {
        public const int Channels = 32;

        // The exports exactly as the library has them. Winapi is stdcall on
        // 32-bit Windows and the platform's only convention everywhere else.
        internal static class Native
        {
            // "Vexla": Vexla.dll on Windows; on Linux Mono and .NET also try libVexla.so.
            const string Library = "Vexla";
            const CallingConvention Convention = CallingConvention.Winapi;

            [DllImport(Library, CallingConvention = Convention)] internal static extern int ConnectComm(int baudRate, int port);
            [DllImport(Library, CallingConvention = Convention)] internal static extern void DisConnectComm();
            [DllImport(Library, CallingConvention = Convention)] internal static extern void DLL_End_Application();
            [DllImport(Library, CallingConvention = Convention)] internal static extern int SetNetSegment(uint segment);
            [DllImport(Library, CallingConvention = Convention)] internal static extern void CtrlFirmWare(uint code);
            [DllImport(Library, CallingConvention = Convention)] internal static extern void SetHardWareZero();
            [DllImport(Library, CallingConvention = Convention)] internal static extern void SetHardWareZeroCh(uint channel);
            [DllImport(Library, CallingConvention = Convention)] internal static extern void ShowCtrlForm();
            [DllImport(Library, CallingConvention = Convention)] internal static extern void HideCtrlForm();
            [DllImport(Library, CallingConvention = Convention)] internal static extern void GetNewData32Ch(ref DataBlock32 block);
            [DllImport(Library, CallingConvention = Convention)] internal static extern void GetNewData16Ch(ref DataBlock16 block);
            [DllImport(Library, CallingConvention = Convention)] internal static extern void GotSerialData32(out Record32 record);
            [DllImport(Library, CallingConvention = Convention)] internal static extern void GotSerialData(out Record8 record);
            [DllImport(Library, CallingConvention = Convention)] internal static extern void GetReFlashRate32([Out] int[] rates32);
            [DllImport(Library, CallingConvention = Convention)] internal static extern void GetReFlashRate([Out] int[] rates8);
            [DllImport(Library, CallingConvention = Convention)] internal static extern byte SetFilter(uint depth);
            [DllImport(Library, CallingConvention = Convention)] internal static extern void SetDataZero();
            [DllImport(Library, CallingConvention = Convention)] internal static extern void SetDataZeroCh(uint channel);
            [DllImport(Library, CallingConvention = Convention)] internal static extern void StartPoint(int on);
            [DllImport(Library, CallingConvention = Convention)] internal static extern void EnableCtrls(uint command, uint zero, uint setup);
            [DllImport(Library, CallingConvention = Convention)] internal static extern void Long2String(int value, uint decimals, [Out] byte[] buffer, uint length);
        }

        // ---- link

        /// <summary>Opens the port: true when it is open. The configuration
        /// file's port and speed, when it names them, take precedence.</summary>
        public static bool ConnectComm(int baudRate, int port)
        {
            // The driver reads the port as a signed 16-bit number.
            if (port < 1 || port > 32767) throw new ArgumentOutOfRangeException("port", port, "1..32767");
            return Native.ConnectComm(baudRate, port) != 0;
        }
        public static void DisConnectComm() { Native.DisConnectComm(); }
        /// <summary>The host's last call: closes the port and ends the driver's session.</summary>
        public static void DLL_End_Application() { Native.DLL_End_Application(); }
        /// <summary>Selects the configuration file (Vexla配置NNN.txt) before the
        /// first connect; false once connected (nothing changes then).</summary>
        public static bool SetNetSegment(int segment) { return Native.SetNetSegment(Byte("segment", segment, 0, 255)) != 0; }

        // ---- commands to the gauges

        /// <summary>Codes 0..4 and 6; 2 is the hardware zero.</summary>
        public static void CtrlFirmWare(int code)
        {
            if (code < 0 || code > 6 || code == 5) throw new ArgumentOutOfRangeException("code", code, "command codes are 0..4 and 6");
            Native.CtrlFirmWare((uint)code);
        }
        public static void SetHardWareZero() { Native.SetHardWareZero(); }
        public static void SetHardWareZeroCh(int channel) { CheckChannel(channel, Channels); Native.SetHardWareZeroCh((uint)channel); }

        // ---- the driver's own window

        public static void ShowCtrlForm() { Native.ShowCtrlForm(); }
        public static void HideCtrlForm() { Native.HideCtrlForm(); }
        public static void EnableCtrls(bool command, bool zero, bool setup)
        {
            Native.EnableCtrls(command ? 1u : 0u, zero ? 1u : 0u, setup ? 1u : 0u);
        }

        // ---- data

        /// <summary>The newest result; the first call connects the driver. The
        /// block keeps its old numbers where a channel has nothing new, so
        /// keep one block and pass it every time.</summary>
        public static void GetNewData32Ch(ref DataBlock32 block) { PumpMessages(); Native.GetNewData32Ch(ref block); }
        public static void GetNewData16Ch(ref DataBlock16 block) { PumpMessages(); Native.GetNewData16Ch(ref block); }
        public static Record32 GotSerialData32() { Record32 r; PumpMessages(); Native.GotSerialData32(out r); return r; }
        public static Record8 GotSerialData() { Record8 r; PumpMessages(); Native.GotSerialData(out r); return r; }

        /// <summary>The waiting result's rates, tenths of updates per second:
        /// -1 none available, 0 a silent channel.</summary>
        public static void GetReFlashRate32(int[] rates32) { CheckArray(rates32, 32, "rates32"); Native.GetReFlashRate32(rates32); }
        public static int[] GetReFlashRate32() { var rates = new int[32]; Native.GetReFlashRate32(rates); return rates; }
        public static void GetReFlashRate(int[] rates8) { CheckArray(rates8, 8, "rates8"); Native.GetReFlashRate(rates8); }

        /// <summary>Averages over depth readings; returns the depth in effect.</summary>
        public static int SetFilter(int depth) { return Native.SetFilter(Byte("depth", depth, 0, 255)); }
        public static void SetDataZero() { Native.SetDataZero(); }
        public static void SetDataZeroCh(int channel) { CheckChannel(channel, Channels); Native.SetDataZeroCh((uint)channel); }
        public static void StartPoint(bool relative) { Native.StartPoint(relative ? -1 : 0); }

        // ---- text and units

        /// <summary>Long2String into the caller's buffer: length - 1 characters
        /// and a NUL, or length '*' and no NUL when the number does not fit.</summary>
        public static void Long2String(int value, int decimals, byte[] buffer, int length)
        {
            // The driver takes the length's low byte and writes that many bytes.
            if (buffer == null) throw new ArgumentNullException("buffer");
            if (length < 2 || length > 255 || length > buffer.Length)
                throw new ArgumentOutOfRangeException("length", length, "2..255 and at most the buffer's size");
            Native.Long2String(value, Byte("decimals", decimals, 0, 255), buffer, (uint)length);
        }

        /// <summary>The driver's text of value right-aligned in exactly width
        /// characters; width stars when it does not fit.</summary>
        public static string FormatValue(int value, int decimals, int width)
        {
            if (width < 1 || width > 254) throw new ArgumentOutOfRangeException("width", width, "1..254");
            var buffer = new byte[width + 1];
            Long2String(value, decimals, buffer, buffer.Length);
            int end = Array.IndexOf(buffer, (byte)0);
            if (end < 0) return new string('*', width); // no terminator: did not fit
            // Digits, sign, point and spaces only: ASCII, which GBK contains.
            return Encoding.ASCII.GetString(buffer, 0, end);
        }

        /// <summary>Millimetres from the driver's tenths of the gauge's last digit.</summary>
        public static double Millimetres(int tenths, GaugeKind kind)
        {
            return tenths / (kind == GaugeKind.Thousandth ? 10000.0 : 1000.0);
        }

        /// <summary>Updates per second from a rate; null when none was available.</summary>
        public static double? PerSecond(int rate) { return rate < 0 ? (double?)null : rate / 10.0; }

        // ---- Windows: the driver's timer and serial port report through
        // window messages of the thread that connected it. A console program
        // has no message loop, so the data calls pump that thread's messages.

        [StructLayout(LayoutKind.Sequential)]
        struct Message
        {
            public IntPtr Window; public uint Id; public UIntPtr WParam; public IntPtr LParam; public uint Time; public int X, Y;
        }

        [DllImport("user32.dll")] static extern bool PeekMessageW(out Message message, IntPtr window, uint first, uint last, uint remove);
        [DllImport("user32.dll")] static extern bool TranslateMessage(ref Message message);
        [DllImport("user32.dll")] static extern IntPtr DispatchMessageW(ref Message message);

        static readonly bool OnWindows = Environment.OSVersion.Platform == PlatformID.Win32NT;

        public static void PumpMessages()
        {
            if (!OnWindows) return;
            Message message;
            while (PeekMessageW(out message, IntPtr.Zero, 0, 0, 1 /* PM_REMOVE */))
            {
                TranslateMessage(ref message);
                DispatchMessageW(ref message);
            }
        }

        // ---- argument checks

        internal static void CheckChannel(int channel, int count)
        {
            if (channel < 0 || channel >= count)
                throw new ArgumentOutOfRangeException("channel", channel, "0.." + (count - 1));
        }

        static void CheckArray(int[] array, int count, string name)
        {
            if (array == null) throw new ArgumentNullException(name);
            if (array.Length < count) throw new ArgumentException("needs " + count + " elements", name);
        }

        static uint Byte(string name, int number, int low, int high)
        {
            if (number < low || number > high) throw new ArgumentOutOfRangeException(name, number, low + ".." + high);
            return (uint)number;
        }
    }
}
