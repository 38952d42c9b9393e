// Reading the preferences: every value on its own, so one bad value costs only itself.
#include <cmath>
#include <limits>
#include <type_traits>

#include "platform/registry/Registry.h"
#include "platform/rtl/SysUtils.h"
#include "settings/PSFunctions.h"
#include "settings/PreferenceTable.h"
#include "settings/Preferences.h"

namespace settings {

namespace {

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();

int32_t ReadInt(reg::TRegistry& r, const char* name, int32_t def, int32_t lo = kIntMin, int32_t hi = kIntMax)
{
    try {
        const int32_t v = r.ReadInteger(name);
        return v >= lo && v <= hi ? v : def;
    } catch (const reg::ERegistryException&) {
        return def;
    }
}

// An 8-bit preference is stored as a DWORD; the range is checked on the whole stored value so
// that 256 is not taken for 0.
uint8_t ReadByte(reg::TRegistry& r, const char* name, uint8_t def, int32_t lo, int32_t hi)
{
    return static_cast<uint8_t>(ReadInt(r, name, def, lo, hi) & 0xFF);
}

bool ReadBool(reg::TRegistry& r, const char* name, bool def)
{
    try {
        return r.ReadBool(name);
    } catch (const reg::ERegistryException&) {
        return def;
    }
}

double ReadFloat(reg::TRegistry& r, const char* name, double def)
{
    try {
        const double v = r.ReadFloat(name);
        return std::isfinite(v) ? v : def; // a NaN offset would poison every shifted date
    } catch (const reg::ERegistryException&) {
        return def;
    }
}

std::string ReadStr(reg::TRegistry& r, const char* name, const std::string& def)
{
    try {
        return r.ReadString(name);
    } catch (const reg::ERegistryException&) {
        return def;
    }
}

// Every value from its table row, or the row's default when `r` is null (a first run).
void ReadValues(reg::TRegistry* r, const ScreenGeometry& screen)
{
    const int32_t top = (screen.screenHeight - screen.windowHeight) / 2;
    const int32_t left = (screen.screenWidth - screen.windowWidth) / 2;
    Top = r ? ReadInt(*r, "Top", top) : top;
    Left = r ? ReadInt(*r, "Left", left) : left;
    for (const detail::PreferenceValue& v : detail::PreferenceValues()) {
        std::visit(
            [&](auto* target) {
                using T = std::remove_pointer_t<decltype(target)>;
                if constexpr (std::is_same_v<T, std::string>)
                    *target = r ? ReadStr(*r, v.name, v.text) : v.text;
                else if constexpr (std::is_same_v<T, bool>)
                    *target = r ? ReadBool(*r, v.name, v.def != 0) : v.def != 0;
                else if constexpr (std::is_same_v<T, double>)
                    *target = r ? ReadFloat(*r, v.name, v.def) : v.def;
                else if constexpr (std::is_same_v<T, uint8_t>)
                    *target =
                        r ? ReadByte(*r, v.name, static_cast<uint8_t>(v.def), v.lo, v.hi) : static_cast<uint8_t>(v.def);
                else
                    *target = r ? ReadInt(*r, v.name, v.def, v.lo, v.hi) : v.def;
            },
            v.target);
    }
}

// A value of another type under "\Actions" is left out; the others are kept.
void ReadActionStates(reg::TRegistry& r)
{
    ActionStates.clear();
    if (!r.OpenKey(std::string(ProductKey) + "\\Actions", false))
        return;
    for (const std::string& name : r.GetValueNames()) {
        try {
            ActionStates.push_back({name, r.ReadInteger(name)});
        } catch (const reg::ERegistryException&) {
        }
    }
}

void ReadFont(reg::TRegistry& r)
{
    IncrustFont = FontSpec{};
    IncrustStyleBold = 1;
    IncrustStyleItalic = IncrustStyleUnderline = IncrustStyleStrikeOut = 0;
    if (!r.OpenKey(std::string(ProductKey) + "\\IncrustFont", false))
        return;
    IncrustFont.Size = ReadInt(r, "Size", 48, 1, kIntMax);
    IncrustFont.Color = static_cast<uint32_t>(ReadInt(r, "Color", 0xFFFFFF));
    IncrustFont.Name = ReadStr(r, "Name", "Arial");
    IncrustStyleBold = ReadBool(r, "Bold", true);
    IncrustStyleItalic = ReadBool(r, "Italic", false);
    IncrustStyleUnderline = ReadBool(r, "Underline", false);
    IncrustStyleStrikeOut = ReadBool(r, "StrikeOut", false);
}

void DefaultIfEmpty(std::string& s, const char* def)
{
    if (s.empty())
        s = def;
}

void ClearIfMarker(std::string& s)
{
    if (s == EmptyMarker)
        s.clear();
}

} // namespace

void LoadPreferences(const ScreenGeometry& screen)
{
    {
        reg::TRegistry r(reg::HKEY_CURRENT_USER);
        if (r.OpenKey(ProductKey, false)) {
            ReadValues(&r, screen);
        } else {
            ReadValues(nullptr, screen);
            Sendto = true; // a first run offers the program for AVI files
        }
        ReadActionStates(r);
        ReadFont(r);

        // Empty strings take their working values; a stored marker is not empty here, so a
        // string the user emptied keeps its emptiness through the marker step below.
        DefaultIfEmpty(FormatPourAjouterDatecode, "yyyy.mm.dd_hh.nn.ss_am/pm");
        DefaultIfEmpty(FormatPourAfficherDatecode, "ddddd hh:nn:ss");
        DefaultIfEmpty(FormatPourIncrusterDatecode1, "ddddd");
        DefaultIfEmpty(FormatPourIncrusterDatecode2, "tt");
        DefaultIfEmpty(FormatPourRenommer, "yyyymmdd_hh.nn.ss_am/pm");
        DefaultIfEmpty(RacinePourRenommer, "ClipDV_");
        DefaultIfEmpty(IncrustFont.Name, "Arial");
        IncrustFont.Style = 0;
        if (IncrustStyleBold)
            IncrustFont.Style |= fsBold;
        if (IncrustStyleItalic)
            IncrustFont.Style |= fsItalic;
        if (IncrustStyleUnderline)
            IncrustFont.Style |= fsUnderline;
        if (IncrustStyleStrikeOut)
            IncrustFont.Style |= fsStrikeOut;
        if (FichierKestrom.empty() && r.OpenKey(KestromKey, false))
            FichierKestrom = ReadStr(r, "exename", "");
    }

    for (std::string* s :
         {&FormatPourIncrusterDatecode1, &FormatPourIncrusterDatecode2, &DossierPourOuvrirFichiers,
          &DossierAOuvertureAuto, &DossierPourSauver, &DossierDesPlayList, &FichierKestrom, &FichierF3, &FichierF4,
          &FormatPourAjouterDatecode, &FormatPourAfficherDatecode, &FormatPourRenommer, &RacinePourRenommer})
        ClearIfMarker(*s);

    // An empty folder would send outputs and dialogs to the filesystem root: the documents
    // folder stands in, even for a folder the user emptied.
    const std::string documents = GetMyDocumentsFolder();
    for (std::string* s : {&DossierPourOuvrirFichiers, &DossierAOuvertureAuto, &DossierPourSauver, &DossierDesPlayList})
        DefaultIfEmpty(*s, documents.c_str());
}

void SameFolderWhileNoOutputFolder()
{
    if (!rtl::DirectoryExists(DossierPourSauver))
        SauverDansLeMemeDossier = true;
}

} // namespace settings
