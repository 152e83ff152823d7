/* The dispatch ids of _clsZarnetCalc and _clsZarnetCalc2 and the type library's version, written
   once: the IDL that makes the type library, the C++ member table and the registration all take
   them from here (plain macros, so the IDL compiler reads them too). */
#ifndef ZARNETCALC_DISPATCHIDS_H
#define ZARNETCALC_DISPATCHIDS_H

#define ZC_DISPID_MYOWNER 0x68030000
#define ZC_DISPID_ERROROCCURRED 0x68030001
#define ZC_DISPID_CANCELLED 0x68030002
#define ZC_DISPID_RESULT 0x68030003
#define ZC_DISPID_SHOW 0x60030004
#define ZC_DISPID_SHOWFROM 0x60030005 /* _clsZarnetCalc2 */

/* 1.0 held _clsZarnetCalc alone; 1.1 adds _clsZarnetCalc2 and leaves the rest as it was, so a
   client asking for 1.0 is served by 1.1. */
#define ZC_TYPELIB_VERSION 1.1
#define ZC_TYPELIB_VERSION_TEXT "1.1"

#endif
