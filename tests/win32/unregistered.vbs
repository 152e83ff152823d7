' After DllUnregisterServer the programmatic identifier no longer creates anything.
On Error Resume Next
Dim calc
Set calc = CreateObject("ZarnetCalc.clsZarnetCalc")
WScript.Echo "CreateObject(""ZarnetCalc.clsZarnetCalc""): error " & Err.Number & ": " & _
    Err.Description & ", object " & TypeName(calc)
