// show.cpp -- the default show: twelve scenes on the bars of the music, and the script that plays them
#include "show.h"

#include <cstdio>

namespace {

// Layers, bottom to top. A scene that draws no background of its own sits on a cleared one; a
// section without a camera sits above one that applies its camera every frame.
enum Layer {
    kBackground = 0,  // voidSection
    kCamera = 1,      // cameraloc, and the heart whose camera the stone scene borrows
    kScene = 2,
    kOverlay = 3,     // drawn into the scene's matrices: redExplosion, ascension, fallingman
    kTitles = 5,
    kFades = 7,
    kFlashes = 8,
};

double bar(double n) {
    return n * kBar;
}
double beats(double n) {
    return n * kBeat;
}

struct ShowBuilder {
    std::vector<ShowSection> sections;
    int flashes = 0;  // the flash images are used in turn, so that all 45 appear

    ShowSection& add(const char* type, double start, double end, int layer, std::vector<double> syncs = {},
                     std::string comment = "") {
        sections.push_back({type, start, end, layer, std::move(syncs), std::move(comment)});
        return sections.back();
    }
    // A title card: it condenses until s0, settles until s1 (both in beats from its start), then
    // glides from (x0, y0) to (x1, y1) pixels off the screen's centre and fades out.
    void title(int slot, double start, double end, double s0_beats, double s1_beats, int x0, int y0, int x1, int y1) {
        add("titulo", start, end, kTitles, {beats(s0_beats), beats(s1_beats), double(slot), double(x0), double(y0), double(x1), double(y1)});
    }
    // A flash of the next image on a beat, fading over the given beats.
    void flash(double start, double strength, double length_beats = 2) {
        add("sync", start, start + beats(length_beats), kFlashes, {double(flashes++ % 45), strength});
    }
    void fade(double start, double end) { add("blackFadeOUT", start, end, kFades); }
};

std::vector<ShowSection> build_show() {
    ShowBuilder s;

    // 1. The logo flies in out of the dark, echoes in red and tumbles away (bars 0 to 11). Its sync
    // times are demo times.
    s.add("voidSection", bar(0), bar(11), kBackground, {}, "The logo: titles in the dark, fly-in, red echo, tumble");
    s.add("varnellogo", bar(0), bar(11), kScene, {bar(4), bar(7), bar(9)});
    s.title(0, beats(2), beats(10), 2, 4, 0, 30, 0, 160);
    s.title(1, beats(9), bar(4), 1, 3, -60, 45, -200, 45);
    s.title(2, beats(10), bar(4), 1, 3, 60, -45, 200, -45);
    s.flash(bar(4), 0.6);
    s.flash(bar(7), 1.0, 4);
    s.title(3, bar(7) + beats(1), bar(9), 1, 4, 0, 200, 0, 240);
    s.title(4, bar(7) + beats(2), bar(9), 1, 4, 0, -200, 0, -240);
    s.flash(bar(9), 0.8);
    s.flash(bar(10), 0.5);
    s.fade(bar(10), bar(11));

    // 2. The heart beats 33 times, one beat apart (bars 11 to 20). It runs on under the stone
    // scene, which clears the picture but draws through the heart's camera.
    {
        std::vector<double> syncs;
        for (int k = 0; k < 33; ++k) syncs.push_back(beats(2 + k));
        s.add("heart", bar(11), bar(26), kCamera, syncs, "The heart: a beat on every beat; its camera also frames the stone");
    }
    s.title(5, bar(11) + beats(2), bar(11) + beats(8), 1, 3, -170, 190, -220, 190);
    s.title(6, bar(11) + beats(6), bar(11) + beats(12), 1, 3, 170, 90, 220, 90);
    s.title(7, bar(11) + beats(10), bar(11) + beats(16), 1, 3, -170, -90, -220, -90);
    s.title(8, bar(11) + beats(14), bar(11) + beats(20), 1, 3, 170, -190, 220, -190);
    s.title(9, bar(17), bar(19), 2, 4, 0, 200, 0, 260);
    s.title(10, bar(17) + beats(2), bar(19), 2, 3, 0, -200, 0, -260);
    // The strongest beats of the heart's table (intervals 8, 11, 16, 19, 21, 26, 29, 31, 32).
    for (int interval : {8, 11, 16, 19, 21, 26, 29, 31, 32}) s.flash(bar(11) + beats(2 + interval - 1), 0.35, 1);

    // 3. The stone slab with its circling relief, then the red explosion over it (bars 20 to 26).
    s.add("varnelBump", bar(20), bar(26), kScene, {}, "The stone, and the red explosion over it");
    s.add("redExplosion", bar(22), bar(26), kOverlay);
    s.flash(bar(20), 1.0, 4);
    s.title(11, bar(20) + beats(2), bar(22), 1, 3, -130, 250, -190, 260);
    s.title(12, bar(20) + beats(3), bar(22), 1, 3, 130, 160, 190, 170);
    s.flash(bar(22), 0.8);
    s.fade(bar(25), bar(26));

    // 4. The man on the tiled floor, seen through the placement camera (bars 26 to 32).
    s.add("voidSection", bar(26), bar(32), kBackground, {}, "The man on the floor, through the placement camera");
    s.add("cameraloc", bar(26), bar(32), kCamera);
    s.add("hombre", bar(26), bar(32), kScene);
    s.flash(bar(26), 0.7);
    s.title(13, bar(26) + beats(2), bar(28) + beats(2), 2, 4, -150, 200, -150, 260);
    s.title(14, bar(27), bar(29), 2, 4, 150, -210, 150, -260);
    s.title(15, bar(29), bar(31), 2, 4, 0, 220, -60, 260);
    s.title(16, bar(29) + beats(2), bar(31), 2, 3, 0, -220, 60, -260);
    s.fade(bar(31), bar(32));

    // 5. The fire tunnel, phases on bar lines, with the figure falling through it: towards the
    // camera, past the reversed camera, as a silhouette, and the face at the end (bars 32 to 46).
    s.add("tunnel", bar(32), bar(46), kScene, {bar(4), bar(10), bar(12)}, "The tunnel, and the figure falling through it");
    s.add("fallingman", bar(32), bar(46), kOverlay, {bar(4), bar(10), bar(12)});
    s.flash(bar(32), 1.0, 4);
    s.title(17, bar(32) + beats(2), bar(34) + beats(2), 1, 3, 0, 80, 0, 250);
    s.title(18, bar(32) + beats(3), bar(34) + beats(4), 1, 3, 0, -50, 0, -250);
    s.flash(bar(36), 0.8);
    s.title(19, bar(37) + beats(2), bar(39) + beats(2), 2, 4, -140, 180, -140, 280);
    s.title(20, bar(38) + beats(2), bar(40) + beats(2), 2, 4, 140, -180, 140, -280);
    s.flash(bar(42), 0.9, 4);
    s.flash(bar(43), 0.5);
    s.flash(bar(44), 1.0);
    s.flash(bar(45), 0.6);
    s.fade(bar(45), bar(46));

    // 6. The red desert panorama: four shots cut on bars (bars 46 to 52).
    s.add("marspanorama", bar(46), bar(52), kScene, {bar(2), bar(3), bar(4)}, "The desert panorama");
    s.flash(bar(46), 0.8);
    s.title(21, bar(46) + beats(2), bar(48) + beats(2), 2, 4, 0, 180, 0, 230);
    s.flash(bar(48), 0.5);
    s.flash(bar(49), 0.5);
    s.title(22, bar(49), bar(51), 2, 4, 0, -180, 0, -230);
    s.flash(bar(50), 0.5);
    s.fade(bar(51), bar(52));

    // 7. The souls' water, and the greetings rising above it from bar 56 (bars 52 to 62).
    s.add("souls", bar(52), bar(62), kScene, {}, "The souls' water, the greetings above it");
    s.add("ascension", bar(52), bar(62), kOverlay, {bar(4)});
    s.flash(bar(52), 0.7);
    s.title(27, bar(52) + beats(2), bar(54) + beats(2), 2, 4, 0, -60, 0, -200);
    s.flash(bar(56), 1.0, 4);
    s.title(28, bar(56) + beats(2), bar(58) + beats(2), 2, 4, -100, -140, -100, -240);
    s.title(29, bar(56) + beats(4), bar(58) + beats(4), 2, 4, 100, -240, 100, -290);
    s.fade(bar(61), bar(62));

    // 8. The mechanism: eleven shots, cut on beats (bars 62 to 72).
    {
        const double cuts[10] = {4, 8, 12, 16, 20, 24, 28, 31, 34, 37};
        std::vector<double> syncs;
        for (double c : cuts) syncs.push_back(beats(c));
        s.add("amilar", bar(62), bar(72), kScene, syncs, "The mechanism, its shots cut on beats");
        s.flash(bar(62), 0.8);
        for (double c : cuts) s.flash(bar(62) + beats(c), 0.45, 1);
    }
    s.title(30, bar(62) + beats(1), bar(64), 2, 4, 0, 210, 0, 260);
    s.title(31, bar(62) + beats(3), bar(64), 2, 3, 0, -210, 0, -260);
    s.title(32, bar(65), bar(66) + beats(2), 1, 3, -200, 150, -260, 150);
    s.title(33, bar(66), bar(67) + beats(2), 1, 3, 200, -150, 260, -150);
    s.title(34, bar(68) + beats(0), bar(70), 2, 4, -100, 200, -100, 250);
    s.title(35, bar(68) + beats(2), bar(70), 2, 3, 120, -200, 120, -250);
    s.fade(bar(71), bar(72));

    // 9. The blue room under the night sky; the camera looks down from bar 75 (bars 72 to 78).
    s.add("blueroombox", bar(72), bar(78), kScene, {bar(3)}, "The blue room");
    s.flash(bar(72), 0.6);
    s.title(36, bar(72) + beats(2), bar(74) + beats(2), 2, 4, -120, 220, -160, 260);
    s.title(37, bar(73), bar(74) + beats(2), 2, 3, 140, 120, 180, 160);
    s.flash(bar(75), 0.8);
    s.fade(bar(77), bar(78));

    // 10. The face in red light (bars 78 to 82).
    s.add("voidSection", bar(78), bar(82), kBackground, {}, "The face");
    s.add("horrorface", bar(78), bar(82), kScene, {beats(2)});
    s.flash(bar(78), 0.5);
    s.title(23, bar(78) + beats(2), bar(80) + beats(2), 2, 4, 0, 230, 0, 270);
    s.flash(bar(80), 0.4);
    s.title(25, bar(80), bar(82), 2, 4, 0, -230, 0, -270);
    s.fade(bar(81), bar(82));

    // 11. The final swirl, leaving trails (bars 82 to 86).
    s.add("final", bar(82), bar(86), kScene, {}, "The final swirl: it clears once and leaves trails");
    s.flash(bar(82), 1.0, 4);
    s.title(38, bar(83) + beats(2), bar(85), 2, 4, 0, 70, 0, 200);
    s.title(39, bar(83) + beats(3), bar(85) + beats(2), 2, 4, 0, -60, 0, -200);
    s.fade(bar(85), bar(86));

    // 12. The credits: portrait, credits with the title, the web page (bars 86 to 92).
    s.add("credits", bar(86), bar(92), kScene, {bar(2), bar(4)}, "The credits");
    s.flash(bar(86), 0.6);
    s.flash(bar(88), 0.8);
    s.flash(bar(90), 0.6);
    s.fade(bar(91), bar(92));

    return s.sections;
}

// Seconds with as many decimals as they need: the grid's times are exact to the millisecond.
std::string number(double v) {
    char text[32];
    snprintf(text, sizeof text, "%.4f", v);
    std::string s = text;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

}  // namespace

const std::vector<ShowSection>& show_sections() {
    static const std::vector<ShowSection> sections = build_show();
    return sections;
}

std::string script_text(bool packed) {
    std::string out;
    out += "; Varnel, the default show: made by varnel-mkdata, every time the same.\n";
    out += "; 125 beats a minute: a beat is 0.48 s, a bar 1.92 s; every time below is on that grid.\n";
    out += "g_demoname Varnel\n";
    out += "g_drawfps 0\n";
    out += "g_debug 0\n";
    out += std::string("g_packeddata ") + (packed ? "1" : "0") + "\n";
    out += "g_demostart 0\n";
    out += "gl_fullscreen 0\n";
    out += "gl_info 0\n";
    out += "gl_width 800\n";
    out += "gl_height 600\n";
    out += "snd_enable 1\n";
    out += std::string("snd_mp3file ") + kMusicPath + "\n";
    for (const ShowSection& s : show_sections()) {
        if (!s.comment.empty()) out += "\n; " + s.comment + "\n";
        out += "[" + s.type + "]\n";
        out += "start " + number(s.start) + "\n";
        out += "end " + number(s.end) + "\n";
        out += "layer " + std::to_string(s.layer) + "\n";
        if (!s.syncs.empty()) {
            out += "syncs " + std::to_string(s.syncs.size()) + "\n";
            for (double v : s.syncs) out += "sync " + number(v) + "\n";
        }
    }
    out += "[eof]\n";
    return out;
}
