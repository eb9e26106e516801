// JScript client of the component, run by run-wine-tests.sh under cscript.
// Arguments: <folder for files> <name prefix> <TSPLIB instance> <its optimal length>. The error
// descriptions it sees are written in order to <prefix>-messages.txt (UTF-16) and the instance's
// tour to <prefix>-tour.txt; the runner compares both. The last line reads "N passed, M failed".
var passed = 0, failed = 0;
var folder = WScript.Arguments(0);
var prefix = WScript.Arguments(1);
var fso = new ActiveXObject("Scripting.FileSystemObject");
var messages = fso.CreateTextFile(folder + "\\" + prefix + "-messages.txt", true, true);

function check(ok, what) {
  if (ok) {
    passed++;
  } else {
    failed++;
    WScript.Echo("FAILED: " + what);
  }
}

function hex(number) {
  return (number >>> 0).toString(16).toUpperCase();
}

// Runs action, which must fail with the result value expected.
function expectFailure(expected, what, action) {
  try {
    action();
    check(false, what + ": no error");
    messages.WriteLine("");
  } catch (e) {
    check(hex(e.number) == hex(expected), what + ": number " + hex(e.number) + ", expected " +
          hex(expected));
    messages.WriteLine(e.description);
  }
}

function expectSuccess(what, action) {
  try {
    return action();
  } catch (e) {
    check(false, what + ": error " + hex(e.number));
    return undefined;
  }
}

function body() {
  var o = new ActiveXObject("ZKRingmarch.Ringmarch");
  var i, city, length;

  // ---- failures, in the order of expected-messages.txt
  expectFailure(0x8004030D, "num on a new object", function() { return o.num; });
  expectFailure(0x8004030E, "Root on a new object", function() { return o.Root(0); });
  expectFailure(0x80040306, "NewTsp(128)", function() { o.NewTsp(128); });
  var n = 6;
  expectSuccess("newtsp with a variable", function() { o.newtsp(n); });
  expectFailure(0x80040307, "PosX(-1)", function() { return o.PosX(-1); });
  expectFailure(0x80040308, "SetNodePos(0, 10000, 0)", function() { o.SetNodePos(0, 10000, 0); });
  expectFailure(0x80040309, "SetDistance(0, 1, 14142)", function() { o.SetDistance(0, 1, 14142); });
  var tspPath = folder + "\\" + prefix + ".tsp";
  expectFailure(0x8004030F, "WriteTspFile type 3", function() { o.WriteTspFile(tspPath, 3); });
  expectFailure(0x80040301, "ReadTspFile of a missing file",
                function() { o.ReadTspFile(folder + "\\no-such-file.tsp"); });
  var badPath = folder + "\\" + prefix + "-bad.tsp";
  var f = fso.CreateTextFile(badPath, true);
  f.Write("DIMENSION : 3\nEDGE_WEIGHT_TYPE : CEIL_2D\nNODE_COORD_SECTION\n1 0 0\n2 0 1\n3 1 0\nEOF\n");
  f.Close();
  expectFailure(0x80040304, "ReadTspFile of a malformed file", function() { o.ReadTspFile(badPath); });
  var badTour = folder + "\\" + prefix + "-bad.tour";
  f = fso.CreateTextFile(badTour, true);
  f.WriteLine("this is not a TOUR file");
  f.Close();
  o.NewTsp(6);
  expectFailure(0x80040302, "ReadTourFile of a malformed file",
                function() { o.ReadTourFile(badTour); });
  o.NewTsp(2);
  expectFailure(0x80040307, "Solve with 2 cities", function() { return o.Solve(); });
  messages.Close();

  // ---- a whole run: a 200 x 100 rectangle with two middle points, shortest tour 600
  var xs = [0, 100, 200, 200, 100, 0];
  var ys = [0, 0, 0, 100, 100, 100];
  o.NewTsp(6);
  for (i = 0; i < 6; i++) o.SetNodePos(i, xs[i], ys[i]);
  o.CalcDistanceEUC2D();
  check(o.Distance(0, 2) == 200, "Distance(0, 2)");
  check(o.CheckDistance() == 0, "CheckDistance");
  check(o.NUM == 6, "NUM");
  length = expectSuccess("Solve", function() { return o.Solve(); });
  check(length == 600, "Solve gives 600, got " + length);
  check(o.Length() == 600, "Length");
  var seen = {};
  for (i = 0; i < 6; i++) {
    city = o.Root(i);
    check(!seen[city], "Root(" + i + ") repeats city " + city);
    seen[city] = true;
    check(o.RootX(i) == xs[city] && o.RootY(i) == ys[city], "RootX/RootY(" + i + ")");
  }
  var tourPath = folder + "\\" + prefix + ".tour";
  expectSuccess("WriteTspFile", function() { o.WriteTspFile(tspPath, 1); });
  expectSuccess("WriteTourFile", function() { o.WriteTourFile(tourPath); });

  var o2 = new ActiveXObject("ZKRingmarch.Ringmarch.1");
  expectSuccess("ReadTspFile of the written file", function() { o2.ReadTspFile(tspPath); });
  check(o2.num == 6, "num after ReadTspFile");
  check(o2.PosX(2) == 200 && o2.PosY(3) == 100, "positions after ReadTspFile");
  check(o2.MaxX == 200 && o2.MinX == 0 && o2.MaxY == 100 && o2.MinY == 0,
        "bounds after ReadTspFile");
  expectSuccess("ReadTourFile of the written tour", function() { o2.ReadTourFile(tourPath); });
  check(o2.Length() == 600, "Length after ReadTourFile");
  for (i = 0; i < 6; i++) check(o2.Root(i) == o.Root(i), "Root(" + i + ") after ReadTourFile");

  // ---- a TSPLIB instance: its published optimum, and the tour for the runner to compare with
  // the native build's
  var instance = WScript.Arguments(2);
  var optimum = parseInt(WScript.Arguments(3), 10);
  var o3 = new ActiveXObject("ZKRingmarch.Ringmarch");
  expectSuccess("ReadTspFile " + instance,
                function() { o3.ReadTspFile(folder + "\\" + instance + ".tsp"); });
  length = expectSuccess("Solve " + instance, function() { return o3.Solve(); });
  check(length == optimum, instance + " length " + optimum + ", got " + length);
  var out = fso.CreateTextFile(folder + "\\" + prefix + "-tour.txt", true);
  out.WriteLine(length);
  var count = o3.num;
  for (i = 0; i < count; i++) out.WriteLine(o3.Root(i));
  out.Close();
}

try {
  body();
} catch (e) {
  check(false, "unexpected error " + hex(e.number) + " " + e.description);
}
WScript.Echo(passed + " passed, " + failed + " failed");
