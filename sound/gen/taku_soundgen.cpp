// Makes the five built-in chime sounds as WAV files in the folder given on the command line,
// levelled to one loudness, and prints what it made:
//   taku_soundgen OUTDIR
// The build runs it and embeds the files in the program.

#include "sound/gen/Synth.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    for (const auto& sound : taku::synth::levelled()) {
        const auto bytes = taku::synth::encodeWav(sound.samples);
        const std::string path = folder + "/" + sound.name + ".wav";
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "taku_soundgen: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%-9s %5.2f s  %6.1f LUFS  peak %5.1f dBFS\n", sound.name.c_str(),
                    static_cast<double>(sound.samples.size()) / taku::synth::kRate, sound.lufs,
                    sound.peakDbfs);
    }
    return 0;
}
