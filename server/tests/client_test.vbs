' VBScript client of the component, run by run-wine-tests.sh under cscript.
' Arguments: <folder for files> <name prefix> <TSPLIB instance> <its optimal length>. The error
' descriptions it sees are written in order to <prefix>-messages.txt (UTF-16) and the instance's
' tour to <prefix>-tour.txt; the runner compares both. The last line reads "N passed, M failed".
Option Explicit

Dim passed, failed, folder, prefix, fso, messages
passed = 0
failed = 0
folder = WScript.Arguments(0)
prefix = WScript.Arguments(1)
Set fso = CreateObject("Scripting.FileSystemObject")
Set messages = fso.CreateTextFile(folder & "\" & prefix & "-messages.txt", True, True)

Sub Check(ok, what)
  If ok Then
    passed = passed + 1
  Else
    failed = failed + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

' Called with the values of Err right after a call that must fail.
Sub ExpectFailure(number, source, description, expected, what)
  Check Hex(number) = Hex(expected), what & ": Err.Number " & Hex(number) & ", expected " & Hex(expected)
  Check source = "Ringmarch", what & ": Err.Source '" & source & "'"
  messages.WriteLine description
End Sub

Sub ExpectSuccess(number, what)
  Check number = 0, what & ": Err.Number " & Hex(number)
End Sub

Dim o, n, i, value, length, city, seen, xs, ys, tspPath, tourPath, badPath, f

On Error Resume Next

' ---- failures, in the order of expected-messages.txt
Set o = CreateObject("ZKRingmarch.Ringmarch")
ExpectSuccess Err.Number, "CreateObject"
Err.Clear
value = o.num
ExpectFailure Err.Number, Err.Source, Err.Description, &H8004030D, "num on a new object"
Err.Clear
value = o.Root(0)
ExpectFailure Err.Number, Err.Source, Err.Description, &H8004030E, "Root on a new object"
Err.Clear
o.NewTsp 128
ExpectFailure Err.Number, Err.Source, Err.Description, &H80040306, "NewTsp 128"
Err.Clear
n = 6
o.newtsp n
ExpectSuccess Err.Number, "newtsp with a variable"
Err.Clear
i = -1
value = o.PosX(i)
ExpectFailure Err.Number, Err.Source, Err.Description, &H80040307, "PosX(-1)"
Err.Clear
o.SetNodePos 0, 10000, 0
ExpectFailure Err.Number, Err.Source, Err.Description, &H80040308, "SetNodePos 0, 10000, 0"
Err.Clear
o.SetDistance 0, 1, 14142
ExpectFailure Err.Number, Err.Source, Err.Description, &H80040309, "SetDistance 0, 1, 14142"
Err.Clear
tspPath = folder & "\" & prefix & ".tsp"
o.WriteTspFile tspPath, 3
ExpectFailure Err.Number, Err.Source, Err.Description, &H8004030F, "WriteTspFile type 3"
Err.Clear
o.ReadTspFile folder & "\no-such-file.tsp"
ExpectFailure Err.Number, Err.Source, Err.Description, &H80040301, "ReadTspFile of a missing file"
Err.Clear
badPath = folder & "\" & prefix & "-bad.tsp"
Set f = fso.CreateTextFile(badPath, True)
f.WriteLine "DIMENSION : 3"
f.WriteLine "EDGE_WEIGHT_TYPE : CEIL_2D"
f.WriteLine "NODE_COORD_SECTION"
f.WriteLine "1 0 0"
f.WriteLine "2 0 1"
f.WriteLine "3 1 0"
f.WriteLine "EOF"
f.Close
o.ReadTspFile badPath
ExpectFailure Err.Number, Err.Source, Err.Description, &H80040304, "ReadTspFile of a malformed file"
Err.Clear
badPath = folder & "\" & prefix & "-bad.tour"
Set f = fso.CreateTextFile(badPath, True)
f.WriteLine "this is not a TOUR file"
f.Close
o.NewTsp 6
o.ReadTourFile badPath
ExpectFailure Err.Number, Err.Source, Err.Description, &H80040302, "ReadTourFile of a malformed file"
Err.Clear
o.NewTsp 2
length = o.Solve
ExpectFailure Err.Number, Err.Source, Err.Description, &H80040307, "Solve with 2 cities"
Err.Clear
messages.Close

' ---- a whole run: a 200 x 100 rectangle with two middle points, shortest tour 600
xs = Array(0, 100, 200, 200, 100, 0)
ys = Array(0, 0, 0, 100, 100, 100)
o.NewTsp 6
For i = 0 To 5
  o.SetNodePos i, xs(i), ys(i)
Next
ExpectSuccess Err.Number, "SetNodePos"
Err.Clear
o.CalcDistanceEUC2D
Check o.Distance(0, 2) = 200, "Distance(0, 2)"
Check o.CheckDistance = 0, "CheckDistance"
Check o.NUM = 6, "NUM"
length = o.Solve
ExpectSuccess Err.Number, "Solve"
Err.Clear
Check length = 600, "Solve gives 600, got " & length
Check o.Length = 600, "Length"
seen = ""
For i = 0 To 5
  city = o.Root(i)
  Check InStr(seen, "," & city & ",") = 0, "Root(" & i & ") repeats city " & city
  seen = seen & "," & city & ","
  Check o.RootX(i) = xs(city) And o.RootY(i) = ys(city), "RootX/RootY(" & i & ")"
Next
ExpectSuccess Err.Number, "tour getters"
Err.Clear

tourPath = folder & "\" & prefix & ".tour"
o.WriteTspFile tspPath, 1
ExpectSuccess Err.Number, "WriteTspFile with a variable"
Err.Clear
o.WriteTourFile tourPath
ExpectSuccess Err.Number, "WriteTourFile"
Err.Clear

Dim o2
Set o2 = CreateObject("ZKRingmarch.Ringmarch.1")
o2.ReadTspFile tspPath
ExpectSuccess Err.Number, "ReadTspFile of the written file"
Err.Clear
Check o2.num = 6, "num after ReadTspFile"
Check o2.PosX(2) = 200 And o2.PosY(3) = 100, "positions after ReadTspFile"
Check o2.MaxX = 200 And o2.MinX = 0 And o2.MaxY = 100 And o2.MinY = 0, "bounds after ReadTspFile"
o2.ReadTourFile tourPath
ExpectSuccess Err.Number, "ReadTourFile of the written tour"
Err.Clear
Check o2.Length = 600, "Length after ReadTourFile"
For i = 0 To 5
  Check o2.Root(i) = o.Root(i), "Root(" & i & ") after ReadTourFile"
Next

' ---- a TSPLIB instance: its published optimum, and the tour for the runner to compare with
' the native build's
Dim o3, out, instance, optimum
instance = WScript.Arguments(2)
optimum = CLng(WScript.Arguments(3))
Set o3 = CreateObject("ZKRingmarch.Ringmarch")
o3.ReadTspFile folder & "\" & instance & ".tsp"
ExpectSuccess Err.Number, "ReadTspFile " & instance
Err.Clear
length = o3.Solve
ExpectSuccess Err.Number, "Solve " & instance
Err.Clear
Check length = optimum, instance & " length " & optimum & ", got " & length
Set out = fso.CreateTextFile(folder & "\" & prefix & "-tour.txt", True)
out.WriteLine length
n = o3.num
For i = 0 To n - 1
  out.WriteLine o3.Root(i)
Next
out.Close
ExpectSuccess Err.Number, instance & " tour"
Err.Clear

WScript.Echo passed & " passed, " & failed & " failed"
