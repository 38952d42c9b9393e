#pragma once
// The hourglass cursor over the whole program while work runs on the GUI thread or a loading is
// under way. Calls nest: the cursor comes back when every Begin has had its End; an End without
// a Begin does nothing, so it never takes away a cursor someone else set.
//
//   { vcl::HourGlass busy; WriteListing(); }         // a scope
//   vcl::HourGlass::Begin(); ... vcl::HourGlass::End(); // across events: start and end of loading
//
// GUI thread only.
namespace vcl {

class HourGlass {
public:
    HourGlass() { Begin(); }
    ~HourGlass() { End(); }
    HourGlass(const HourGlass&) = delete;
    HourGlass& operator=(const HourGlass&) = delete;

    static void Begin();
    static void End();
    static int Depth(); // Begins not yet ended
};

} // namespace vcl
