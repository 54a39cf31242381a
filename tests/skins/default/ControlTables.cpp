#include "ControlTables.h"

namespace skintest {
namespace {

const std::vector<int> kModes01{0, 1};
const std::vector<int> kMode0{0};
const std::vector<int> kMode1{1};

WindowTable MainTable() {
    return {"MAIN",
            1168,
            640,
            {
                {"main.image.title", "image", kModes01},
                {"main.button.setting", "button", kModes01},
                {"main.button.gsensor", "button", kModes01},
                {"main.button.capture", "button", kModes01},
                {"main.button.about", "button", kModes01},
                {"main.button.site", "button", kModes01},
                {"main.button.min", "button", kModes01},
                {"main.button.max", "button", kMode0},
                {"main.button.real", "button", kMode0},
                {"main.button.nor", "button", kMode1},
                {"main.button.exit", "button", kModes01},
                {"main.button.prev", "button", kModes01},
                {"main.button.play", "button", kModes01},
                {"main.button.stop", "button", kModes01},
                {"main.button.next", "button", kModes01},
                {"main.button.rew", "button", kModes01},
                {"main.button.ff", "button", kModes01},
                {"main.button.fps", "button", kModes01},
                {"main.button.open", "button", kModes01},
                {"main.button.save", "button", kModes01},
                {"main.button.tabnormal", "button", kMode0},
                {"main.button.tabevent", "button", kMode0},
                {"main.button.tabmanual", "button", kMode0},
                {"main.button.tabmotion", "button", kMode0},
                {"main.video.front", "video", kModes01},
                {"main.button.finf", "button", kMode0},
                {"main.button.finr", "button", kMode0},
                {"main.button.finm", "button", kMode0},
                {"main.slider.time", "slider", kModes01},
                {"main.image.speed0", "image", kModes01},
                {"main.image.speed1", "image", kModes01},
                {"main.slider.speed", "slider", kModes01},
                {"main.image.bright", "image", kModes01},
                {"main.slider.bright", "slider", kModes01},
                {"main.button.volume", "button", kModes01},
                {"main.slider.volume", "slider", kModes01},
                {"main.image.file", "image", kModes01},
                {"main.text.file", "text", kModes01},
                {"main.text.curtime", "text", kModes01},
                {"main.text.duration", "text", kModes01},
                {"main.listbox.filelist", "list", kMode0},
                {"main.video.rear", "video", kModes01},
                {"main.button.rinf", "button", kMode0},
                {"main.button.rinr", "button", kMode0},
                {"main.button.rinm", "button", kMode0},
                {"main.web.map", "map", kMode0},
                {"main.button.frchange", "button", kMode1},
                {"main.button.track", "button", kModes01},
                {"main.text.gps", "text", kModes01},
                {"main.button.clipin", "button", kModes01},
                {"main.button.clipout", "button", kModes01},
                {"main.button.clip", "button", kModes01},
                {"main.strip.trip", "tripstrip", kModes01},
            }};
}

}  // namespace

const std::vector<WindowTable>& WindowTables() {
    static const std::vector<WindowTable> tables{
        MainTable(),
        {"SELDRIVE",
         400,
         176,
         {
             {"seldrive.button.ok", "button", kMode0},
             {"seldrive.button.cancel", "button", kMode0},
             {"seldrive.text.title", "text", kMode0},
             {"seldrive.text.drive", "text", kMode0},
         }},
        {"GSENSOR",
         1020,
         308,
         {
             {"gsensor.button.exit", "button", kMode0},
             {"gsensor.text.title", "text", kMode0},
             {"gsensor.graph", "gsensor", kMode0},
         }},
        // Mode 0: a message with OK; mode 1: a question with OK and Cancel.
        {"NOTIFY",
         420,
         196,
         {
             {"notify.button.ok", "button", kMode0},
             {"notify.button.selok", "button", kMode1},
             {"notify.button.selcancel", "button", kMode1},
             {"notify.text.title", "text", kModes01},
             {"notify.text.comment", "text", kModes01},
         }},
        // Mode 0: the choices; mode 1: the export under way.
        {"CLIP",
         460,
         400,
         {
             {"clip.text.title", "text", kModes01},
             {"clip.text.span", "text", kModes01},
             {"clip.text.layout", "text", kMode0},
             {"clip.text.corner", "text", kMode0},
             {"clip.text.status", "text", kMode1},
             {"clip.slider.progress", "slider", kMode1},
             {"clip.button.lossless", "button", kMode0},
             {"clip.button.rendered", "button", kMode0},
             {"clip.button.front", "button", kMode0},
             {"clip.button.side", "button", kMode0},
             {"clip.button.inset", "button", kMode0},
             {"clip.button.topleft", "button", kMode0},
             {"clip.button.topright", "button", kMode0},
             {"clip.button.bottomleft", "button", kMode0},
             {"clip.button.bottomright", "button", kMode0},
             {"clip.button.overlay", "button", kMode0},
             {"clip.button.nolocation", "button", kMode0},
             {"clip.button.export", "button", kMode0},
             {"clip.button.cancel", "button", kModes01},
         }},
        {"ABOUT",
         380,
         224,
         {
             {"about.text.title", "text", kMode0},
             {"about.text.viewerver", "text", kMode0},
             {"about.button.ok", "button", kMode0},
         }},
    };
    return tables;
}

}  // namespace skintest
