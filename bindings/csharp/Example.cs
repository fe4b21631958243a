// Prints the gauges that deliver, once a second for N seconds: value and
// displacement in mm and updates per second.
//
//   mcs -unsafe -out:Example.exe Vexla.cs Example.cs
//   mono Example.exe 10        (Linux: libVexla.so on LD_LIBRARY_PATH or beside Example.exe)
//   Example.exe 10             (Windows: Vexla.dll of the program's width beside it)
//
// The driver connects with the port and speed of its configuration file of
// segment 0. Gauges listed after the seconds are 0.001 mm gauges: Example.exe 10 4 7

using System;
using System.Globalization;
using System.Linq;
using System.Threading;
using Vexla;

static class Example
{
    static string Text(double? number, string format)
    {
        return number.HasValue ? number.Value.ToString(format, CultureInfo.InvariantCulture) : "-";
    }

    static int Main(string[] args)
    {
        double seconds = args.Length > 0 ? double.Parse(args[0], CultureInfo.InvariantCulture) : 10;
        var gauges = new Gauges();
        foreach (var gauge in args.Skip(1)) gauges.SetKind(int.Parse(gauge) - 1, GaugeKind.Thousandth);

        var end = DateTime.UtcNow.AddSeconds(seconds);
        var nextPrint = DateTime.UtcNow.AddSeconds(1);
        try
        {
            while (DateTime.UtcNow < end)
            {
                gauges.Fetch();
                if (DateTime.UtcNow >= nextPrint)
                {
                    nextPrint = nextPrint.AddSeconds(1);
                    Console.WriteLine("{0,5} {1,10} {2,10} {3,6}", "gauge", "value mm", "displ. mm", "per s");
                    for (int i = 0; i < Driver.Channels; i++)
                    {
                        if (gauges.Value(i) == null) continue;
                        Console.WriteLine("{0,5} {1,10} {2,10} {3,6}", i + 1, Text(gauges.Value(i), "F4"),
                                          Text(gauges.Displacement(i), "F4"), Text(gauges.Rate(i), "F1"));
                    }
                    Console.WriteLine();
                }
                Thread.Sleep(50);
            }
        }
        finally
        {
            Driver.DLL_End_Application(); // closes the port
        }
        return 0;
    }
}
