' What a VBScript client sees of the component: creation by programmatic identifier, a fresh
' object's values, Result, the read-only flags, MyOwner with Nothing, a form and non-forms, Show
' without an owner, and ShowFrom by name. Every step prints what happened (an uncaught error would print nothing).
Option Explicit
On Error Resume Next

' Error handling is per procedure: each one turns it on.
Sub Report(what)
    If Err.Number = 0 Then
        WScript.Echo what & ": ok"
    Else
        WScript.Echo what & ": error " & Err.Number & ": " & Err.Description
    End If
    Err.Clear
End Sub

Sub Values()
    On Error Resume Next
    WScript.Echo "  Result " & calc.Result & ", Cancelled " & calc.Cancelled & _
        ", ErrorOccurred " & calc.ErrorOccurred & ", MyOwner Is form " & (calc.MyOwner Is form) & _
        ", MyOwner Is Nothing " & (calc.MyOwner Is Nothing)
    If Err.Number <> 0 Then Report "  reading the properties"
End Sub

Dim calc, form, destroyed
Set form = CreateObject("ZarnetCalcTest.Form")
Report "CreateObject(""ZarnetCalcTest.Form"")"
Set calc = CreateObject("ZarnetCalc.clsZarnetCalc")
Report "CreateObject(""ZarnetCalc.clsZarnetCalc"")"
Values

calc.Result = 12.5
Report "Result = 12.5"
calc.Result = "0.25"
Report "Result = ""0.25"""
calc.Result = "abc"
Report "Result = ""abc"""
calc.Cancelled = True
Report "Cancelled = True"
calc.ErrorOccurred = True
Report "ErrorOccurred = True"
Values

calc.Show
Report "Show without an owner"
Values

Set calc.MyOwner = Nothing
Report "Set MyOwner = Nothing"
Set calc.MyOwner = form
Report "Set MyOwner = form"
Values
Set calc.MyOwner = CreateObject("Scripting.Dictionary")
Report "Set MyOwner = a dictionary"
Set calc.MyOwner = form.Child
Report "Set MyOwner = a form whose window is a child window"
Set destroyed = CreateObject("ZarnetCalcTest.Form")
destroyed.Destroy
Set calc.MyOwner = destroyed
Report "Set MyOwner = a form whose window is destroyed"
calc.MyOwner = 5
Report "MyOwner = 5"
Values
Set calc.MyOwner = Nothing
Report "Set MyOwner = Nothing"
Values
Set destroyed = CreateObject("ZarnetCalcTest.Form")
Set calc.MyOwner = destroyed
Report "Set MyOwner = another form"
destroyed.Destroy
Values
calc.Show
Report "Show after the owner's window was destroyed"

Set calc.MyOwner = form
form.CloseCalculatorSoon
calc.ShowFrom 12.5
Report "ShowFrom 12.5, then F2"
Values
calc.ShowFrom "abc"
Report "ShowFrom ""abc"""
form.CloseCalculatorSoon
calc.ShowFrom "-3"
Report "ShowFrom ""-3"", then F2"
Values
