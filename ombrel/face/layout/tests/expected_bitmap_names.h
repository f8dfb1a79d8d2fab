#pragma once
// The names of the files in each face folder, written from the face's load table and the bitmap globals:
// case and blanks exact, "DTFM" as the face spells it.
#include <set>
#include <string>

#include "layout/face_types.h"

namespace kez::ombrel::face::test {

inline std::set<std::string> expectedBitmapNames(FaceSize size) {
    std::set<std::string> names{
        "imaBFBUTTONdnSpea.bmp", "imaBFBUTTONdnHold.bmp", "imaBFBUTTONupSpea.bmp", "imaBFBUTTONupHold.bmp",
        "imaLEDdn.bmp",          "imaLEDup.bmp",          "imaMenuDn.bmp",         "imaUpDisplaydn.bmp",
        "imaDnDisplaydn.bmp",    "imaMenuUp.bmp",         "imaUpDisplayup.bmp",    "imaDnDisplayup.bmp",
        "imaDTFMdn0.bmp",        "imaDTFMdn1.bmp",        "imaDTFMdn2.bmp",        "imaDTFMdn3.bmp",
        "imaDTFMdn4.bmp",        "imaDTFMdn5.bmp",        "imaDTFMdn6.bmp",        "imaDTFMdn7.bmp",
        "imaDTFMdn8.bmp",        "imaDTFMdn9.bmp",        "imaDTFMdnStar.bmp",     "imaDTFMdnPound.bmp",
        "imaDTFMup0.bmp",        "imaDTFMup1.bmp",        "imaDTFMup2.bmp",        "imaDTFMup3.bmp",
        "imaDTFMup4.bmp",        "imaDTFMup5.bmp",        "imaDTFMup6.bmp",        "imaDTFMup7.bmp",
        "imaDTFMup8.bmp",        "imaDTFMup9.bmp",        "imaDTFMupStar.bmp",     "imaDTFMupPound.bmp",
        "imaFBUTTON0dn.bmp",     "imaFBUTTON1dn.bmp",     "imaFBUTTON2dn.bmp",     "imaFBUTTON3dn.bmp",
        "imaFBUTTON4dn.bmp",     "imaFBUTTON5dn.bmp",     "imaFBUTTON0up.bmp",     "imaFBUTTON1up.bmp",
        "imaFBUTTON2up.bmp",     "imaFBUTTON3up.bmp",     "imaFBUTTON4up.bmp",     "imaFBUTTON5up.bmp",
        "imaFIXEDdnProg.bmp",    "imaFIXEDdnFwd.bmp",     "imaFIXEDdnMsg.bmp",     "imaFIXEDdnHanFre.bmp",
        "imaFIXEDdnMute.bmp",    "imaFIXEDdnVolUp.bmp",   "imaFIXEDdnVolDn.bmp",   "imaFIXEDupProg.bmp",
        "imaFIXEDupFwd.bmp",     "imaFIXEDupMsg.bmp",     "imaFIXEDupHanFre.bmp",  "imaFIXEDupMute.bmp",
        "imaFIXEDupVolUp.bmp",   "imaFIXEDupVolDn.bmp",   "imaLBUTTONSdn.bmp",     "imaLBUTTONS5dn.bmp",
        "imaLBUTTONS6dn.bmp",    "imaLBUTTONS7dn.bmp",    "imaLBUTTONS8dn.bmp",    "imaLBUTTONS9dn.bmp",
        "imaLBUTTONS10dn.bmp",   "imaLBUTTONS11dn.bmp",   "imaLBUTTONSup.bmp",     "imaLBUTTONS5up.bmp",
        "imaLBUTTONS6up.bmp",    "imaLBUTTONS7up.bmp",    "imaLBUTTONS8up.bmp",    "imaLBUTTONS9up.bmp",
        "imaLBUTTONS10up.bmp",   "imaLBUTTONS11up.bmp",   "imaMainLogo.bmp",
    };
    if (size == FaceSize::Large) {
        names.insert({"Ombrel_100_with shadow.bmp", "Ombrel_100_with red_lcd.bmp"});
    } else {
        names.insert({"Ombrel_75_with shadow.bmp", "Ombrel_75_with red_lcd.bmp"});
    }
    return names;
}

} // namespace kez::ombrel::face::test
