' What a script sees once the class can be created, whether installed by the installer package
' or found through the manifests beside the library: creation by programmatic identifier, a fresh
' object's values, Result written and read back, and Show without an owner.
Option Explicit
On Error Resume Next
Dim calc
Set calc = CreateObject("ZarnetCalc.clsZarnetCalc")
WScript.Echo "CreateObject(""ZarnetCalc.clsZarnetCalc""): error " & Err.Number & ", object " & _
    TypeName(calc)
If Err.Number <> 0 Then WScript.Quit
WScript.Echo "  Result " & calc.Result & ", Cancelled " & calc.Cancelled & ", ErrorOccurred " & _
    calc.ErrorOccurred
calc.Result = 7.25
WScript.Echo "  Result = 7.25: error " & Err.Number & ", then " & calc.Result
Err.Clear
calc.Show
WScript.Echo "  Show without an owner: error " & Err.Number & ": " & Err.Description
