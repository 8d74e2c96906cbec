// The About box (template 100): the program icon, the version line and OK.
#include "ControlIds.h"
#include "DialogTemplate.h"
#include "QuernfoldVersion.h"

#include <iterator>

namespace {

constexpr DialogControl kAboutBoxControls[] = {
    {kNoControlId, ControlKind::StaticIcon, "", 11, 17, 20, 20, StyleNone},
    {kNoControlId, ControlKind::Static, "Quernfold Version " QUERNFOLD_VERSION_SHORT, 40, 10, 119,
     8, StyleNoPrefix | StyleGroup},
    {AboutBoxId::kOk, ControlKind::DefPushButton, "OK", 178, 7, 50, 14, StyleGroup | StyleTabStop},
};

} // namespace

const DialogTemplate kAboutBoxTemplate = {
    "About Quernfold", 235, 76, kAboutBoxControls, std::size(kAboutBoxControls),
};
