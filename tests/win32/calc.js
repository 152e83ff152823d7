// What a JScript client sees of the component where JScript calls differently from VBScript:
// property gets without the method flag, an object assignment sent as put and put-by-reference
// at once, null for no object, errors as result codes. Every step prints what happened.
function code(e) {
    var n = e.number < 0 ? e.number + 0x100000000 : e.number;
    if (n >= 0x800A0000 && n <= 0x800AFFFF) return "error " + (n - 0x800A0000);
    return "error 0x" + n.toString(16).toUpperCase();
}
// Prints the step's value, or "ok" when it has none, or the error it threw.
function report(what, step) {
    try {
        var value = step();
        WScript.Echo(what + ": " + (value === undefined ? "ok" : value));
    } catch (e) {
        WScript.Echo(what + ": " + code(e) + ": " + e.description);
    }
}
function flag(b) {
    return b ? "True" : "False";
}

var calc, form;
report("new ActiveXObject(\"ZarnetCalc.clsZarnetCalc\")", function () {
    calc = new ActiveXObject("ZarnetCalc.clsZarnetCalc");
    form = new ActiveXObject("ZarnetCalcTest.Form");
});
report("values", function () {
    return "Result " + calc.Result + ", Cancelled " + flag(calc.Cancelled) + ", ErrorOccurred " +
           flag(calc.ErrorOccurred) + ", MyOwner " + calc.MyOwner;
});
report("Result = 0.5", function () { calc.Result = 0.5; });
report("Result", function () { return calc.Result; });
report("Cancelled = true", function () { calc.Cancelled = true; });
report("Show()", function () { calc.Show(); });
report("MyOwner = form", function () { calc.MyOwner = form; });
report("MyOwner == form", function () { return calc.MyOwner == form; });
report("MyOwner = a dictionary", function () {
    calc.MyOwner = new ActiveXObject("Scripting.Dictionary");
});
report("MyOwner == form", function () { return calc.MyOwner == form; });
report("MyOwner = null", function () { calc.MyOwner = null; });
report("MyOwner", function () { return calc.MyOwner; });
report("ShowFrom(NaN)", function () { calc.MyOwner = form; calc.ShowFrom(NaN); });
report("ShowFrom(Infinity)", function () { calc.ShowFrom(Infinity); });
report("ShowFrom(0.25), then F2", function () {
    form.CloseCalculatorSoon();
    calc.ShowFrom(0.25);
    return "Result " + calc.Result + ", Cancelled " + flag(calc.Cancelled);
});
