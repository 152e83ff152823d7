/* The dispatch ids of _clsZarnetCalc, written once: the IDL that makes the type library and the
   C++ member table both take them from here (plain macros, so the IDL compiler reads them too). */
#ifndef ZARNETCALC_DISPATCHIDS_H
#define ZARNETCALC_DISPATCHIDS_H

#define ZC_DISPID_MYOWNER 0x68030000
#define ZC_DISPID_ERROROCCURRED 0x68030001
#define ZC_DISPID_CANCELLED 0x68030002
#define ZC_DISPID_RESULT 0x68030003
#define ZC_DISPID_SHOW 0x60030004

#endif
