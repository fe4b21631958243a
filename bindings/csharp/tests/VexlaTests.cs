// Vexla.cs against the real library: record layouts against
// vexla_header_layout, the P/Invoke declarations against vexla.h, the text of
// Long2String, the argument checks, and a session with gaugesim on COM 43
// (gauges 1-4 still at 2.5 mm, gauge 4 a 0.001 mm gauge).
//
// Usage: mono VexlaTests.exe BIN_DIR SOURCE_DIR GAUGESIM_LOG
// (run by csharp_test.sh, which gives it a home of its own)

using System;
using System.Collections.Generic;
using System.Diagnostics;
using System.IO;
using System.Linq;
using System.Reflection;
using System.Runtime.InteropServices;
using System.Text.RegularExpressions;
using System.Threading;
using Vexla;

static class VexlaTests
{
    static int passed, failed;
    static string bin, source, simLog;

    static void Check(bool condition, string what)
    {
        Console.WriteLine((condition ? "ok: " : "FAILED: ") + what);
        if (condition) passed++; else failed++;
    }

    static int Main(string[] args)
    {
        bin = args[0];
        source = args[1];
        simLog = args[2];
        foreach (var test in new Action[] { Layouts, Declarations, Texts, ArgumentChecks, Session })
        {
            try { test(); }
            catch (Exception e) { Check(false, test.Method.Name + " threw " + e); }
        }
        Console.WriteLine("csharp binding test: " + passed + " passed, " + failed + " failed");
        return failed == 0 ? 0 : 1;
    }

    static string Run(string program)
    {
        var start = new ProcessStartInfo(program) { UseShellExecute = false, RedirectStandardOutput = true };
        using (var p = Process.Start(start))
        {
            string output = p.StandardOutput.ReadToEnd();
            p.WaitForExit();
            if (p.ExitCode != 0) throw new Exception(program + " failed with " + p.ExitCode);
            return output;
        }
    }

    // "VexlaRecord32 size 324" and "VexlaRecord32.relative_flag 2" name
    // Record32's size and RelativeFlag's offset.
    static void Layouts()
    {
        var types = new HashSet<string>();
        foreach (var line in Run(Path.Combine(bin, "vexla_header_layout")).Split('\n').Where(l => l.Length > 0))
        {
            var m = Regex.Match(line, @"^Vexla(\w+?)(?:\.(\w+))? (?:size )?(\d+)$");
            if (!m.Success) { Check(false, "layout line: " + line); continue; }
            Type type = typeof(Driver).Assembly.GetType("Vexla." + m.Groups[1].Value);
            int expected = int.Parse(m.Groups[3].Value);
            if (type == null) { Check(false, "a struct for " + line); continue; }
            types.Add(type.Name);
            if (!m.Groups[2].Success)
            {
                Check(Marshal.SizeOf(type) == expected, line + " (C# " + Marshal.SizeOf(type) + ")");
                continue;
            }
            string field = string.Concat(m.Groups[2].Value.Split('_').Select(w => char.ToUpper(w[0]) + w.Substring(1)));
            int actual = Marshal.OffsetOf(type, field).ToInt32();
            Check(actual == expected, line + " (C# " + type.Name + "." + field + " at " + actual + ")");
        }
        Check(types.SetEquals(new[] { "DataBlock32", "DataBlock16", "Record8", "Record32" }),
              "every record is compared: " + string.Join(",", types));
    }

    static readonly Dictionary<string, int> CSizes = new Dictionary<string, int> {
        { "int32_t", 4 }, { "uint32_t", 4 }, { "uint8_t", 1 }, { "char", 1 } };

    // Each export of vexla.h has a P/Invoke of that name, arity and argument
    // sizes, which binds in the real library.
    static void Declarations()
    {
        string header = Regex.Replace(File.ReadAllText(Path.Combine(source, "include", "vexla.h")), @"/\*.*?\*/", " ",
                                      RegexOptions.Singleline);
        var natives = typeof(Driver).GetNestedType("Native", BindingFlags.NonPublic)
                          .GetMethods(BindingFlags.NonPublic | BindingFlags.Static)
                          .Where(m => (m.Attributes & MethodAttributes.PinvokeImpl) != 0)
                          .ToDictionary(m => m.Name);
        var exports = Regex.Matches(header, @"VEXLA_API\s+(\w+)\s+VEXLA_CALL\s+(\w+)\s*\(([^)]*)\)");
        Check(exports.Count == 21 && natives.Count == 21, "21 exports, 21 declarations (" + natives.Count + ")");
        foreach (Match export in exports)
        {
            string name = export.Groups[2].Value;
            MethodInfo method;
            if (!natives.TryGetValue(name, out method)) { Check(false, name + " is declared"); continue; }
            var arguments = export.Groups[3].Value.Trim() == "void" ? new string[0] : export.Groups[3].Value.Split(',');
            var parameters = method.GetParameters();
            bool same = arguments.Length == parameters.Length;
            for (int i = 0; same && i < arguments.Length; i++)
            {
                Type t = parameters[i].ParameterType;
                if (arguments[i].Contains("*"))
                    same = t.IsByRef || t.IsArray;
                else
                    same = !t.IsByRef && !t.IsArray && Marshal.SizeOf(t) == CSizes[arguments[i].Trim().Split(' ')[0]];
            }
            string result = export.Groups[1].Value;
            same &= result == "void" ? method.ReturnType == typeof(void)
                                     : method.ReturnType != typeof(void) && Marshal.SizeOf(method.ReturnType) == CSizes[result];
            Check(same, name + " is declared as vexla.h declares it");
            Marshal.Prelink(method); // throws when the library lacks it
        }
    }

    static void Texts()
    {
        var cases = new[] {
            Tuple.Create(2500, 3, 8, "   2.500"),
            Tuple.Create(-5, 4, 7, "-0.0005"),
            Tuple.Create(2500, 3, 5, "2.500"),
            Tuple.Create(2500, 3, 4, "****"),
            Tuple.Create(int.MinValue, 0, 11, "-2147483648"),
            Tuple.Create(int.MinValue, 0, 10, "**********"),
        };
        foreach (var c in cases)
        {
            string text = Driver.FormatValue(c.Item1, c.Item2, c.Item3);
            Check(text == c.Item4, "FormatValue(" + c.Item1 + ", " + c.Item2 + ", " + c.Item3 + ") = '" + text + "'");
        }
        // The driver fills all of length with stars and writes nothing beyond.
        var buffer = Enumerable.Repeat((byte)'#', 16).ToArray();
        Driver.Long2String(1234567, 0, buffer, 6);
        Check(System.Text.Encoding.ASCII.GetString(buffer) == "******##########", "Long2String's stars fill the length, no more");
    }

    static void Throws<T>(string what, Action call) where T : Exception
    {
        try { call(); Check(false, what + " throws " + typeof(T).Name); }
        catch (T) { Check(true, what + " throws " + typeof(T).Name); }
    }

    // Arguments that the driver would misread are refused before any call.
    static void ArgumentChecks()
    {
        Throws<ArgumentOutOfRangeException>("SetDataZeroCh(32)", () => Driver.SetDataZeroCh(32));
        Throws<ArgumentOutOfRangeException>("SetDataZeroCh(256), which would zero channel 0", () => Driver.SetDataZeroCh(256));
        Throws<ArgumentOutOfRangeException>("SetHardWareZeroCh(-1)", () => Driver.SetHardWareZeroCh(-1));
        Throws<ArgumentOutOfRangeException>("SetFilter(258), which would set 2", () => Driver.SetFilter(258));
        Throws<ArgumentOutOfRangeException>("CtrlFirmWare(5)", () => Driver.CtrlFirmWare(5));
        Throws<ArgumentOutOfRangeException>("SetNetSegment(256)", () => Driver.SetNetSegment(256));
        Throws<ArgumentOutOfRangeException>("ConnectComm to port 40000", () => Driver.ConnectComm(19200, 40000));
        Throws<ArgumentException>("GetReFlashRate32 into 8 elements", () => Driver.GetReFlashRate32(new int[8]));
        Throws<ArgumentOutOfRangeException>("Long2String past the buffer", () => Driver.Long2String(1, 0, new byte[4], 5));
        Throws<ArgumentOutOfRangeException>("Long2String of length 256", () => Driver.Long2String(1, 0, new byte[300], 256));
        Throws<ArgumentOutOfRangeException>("FormatValue of width 0", () => Driver.FormatValue(1, 0, 0));
        Throws<ArgumentOutOfRangeException>("FormatValue with 256 decimals", () => Driver.FormatValue(1, 256, 8));
        Throws<ArgumentOutOfRangeException>("ValueAt(32)", () => new DataBlock32().ValueAt(32));
    }

    // Fetches as a host does, every 50 ms, until done says so or 5 s pass.
    static void FetchUntil(Gauges gauges, Func<Gauges, bool> done)
    {
        var deadline = DateTime.UtcNow.AddSeconds(5);
        for (;;)
        {
            gauges.Fetch();
            if (done(gauges) || DateTime.UtcNow > deadline) return;
            Thread.Sleep(50);
        }
    }

    static string Four(Func<int, double?> millimetres)
    {
        return string.Join(" ", Enumerable.Range(0, 4).Select(i => millimetres(i).HasValue
            ? millimetres(i).Value.ToString(System.Globalization.CultureInfo.InvariantCulture) : "none"));
    }

    static void Session()
    {
        Check(Driver.SetNetSegment(0), "SetNetSegment before the first connect");
        var gauges = new Gauges();
        gauges.SetKind(3, GaugeKind.Thousandth);
        Check(Four(gauges.Value) == "none none none none", "no values before the first fetch");
        FetchUntil(gauges, g => Enumerable.Range(0, 4).All(g.IsNew) && g.Rate(0) > 0);
        Check(Four(gauges.Value) == "2.5 2.5 2.5 2.5", "values in mm: " + Four(gauges.Value));
        Check(Four(gauges.Displacement) == "2.5 2.5 2.5 2.5", "displacements in mm: " + Four(gauges.Displacement));
        Check(gauges.Rate(0) > 0 && gauges.Rate(4) == 0 && !gauges.IsNew(4) && gauges.Value(4) == null,
              "gauge 1 updates, gauge 5 is silent: " + gauges.Rate(0) + " " + gauges.Rate(4));
        Check(!Driver.SetNetSegment(5), "SetNetSegment once connected says no");

        // Averaging over two readings, a result often has nothing new for
        // some gauges: their readings stand, not the result's zeros.
        Check(Driver.SetFilter(2) == 2, "SetFilter(2) is in effect");
        bool someNotNew = false, allStand = true;
        for (int n = 0; n < 20; n++, Thread.Sleep(50))
        {
            gauges.Fetch();
            someNotNew |= !Enumerable.Range(0, 4).All(gauges.IsNew);
            allStand &= Four(gauges.Value) == "2.5 2.5 2.5 2.5";
        }
        Check(someNotNew && allStand, "readings stand through results without them (" + someNotNew + ")");

        Driver.SetDataZeroCh(1);
        FetchUntil(gauges, g => g.IsNew(1) && g.Displacement(1) == 0);
        Check(Four(gauges.Displacement) == "2.5 0 2.5 2.5", "SetDataZeroCh(1) zeroes gauge 2's displacement only: " + Four(gauges.Displacement));

        Driver.SetHardWareZeroCh(2);
        FetchUntil(gauges, g => g.IsNew(2) && g.Value(2) == 0);
        Check(Four(gauges.Value) == "2.5 2.5 0 2.5", "SetHardWareZeroCh(2) zeroes gauge 3's display: " + Four(gauges.Value));
        Check(File.ReadAllText(simLog).Contains("for channel 3: obeyed by 3"), "gaugesim obeyed the zero command");

        Driver.DLL_End_Application();
        Check(Driver.GetReFlashRate32().All(r => r == -1), "after DLL_End_Application the link is closed: no rates");
    }
}
