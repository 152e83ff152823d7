/* The dispatch ids of the members of _clsZarnetCalc, written once for the interface definition
   (ZarnetCalc.idl, read by widl's preprocessor) and for the C++ of both platforms. Plain
   preprocessor numbers, because the interface definition language knows nothing else. */
#ifndef ZARNETCALC_DISPATCHIDS_H
#define ZARNETCALC_DISPATCHIDS_H

#define ZC_DISPID_MYOWNER 0x68030000
#define ZC_DISPID_ERROROCCURRED 0x68030001
#define ZC_DISPID_CANCELLED 0x68030002
#define ZC_DISPID_RESULT 0x68030003
#define ZC_DISPID_SHOW 0x60030004

#endif
