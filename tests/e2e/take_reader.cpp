// A reader of the simulated microphone that the tests kill in the middle of
// a take: Halvane's recorder on the ALSA device, recording takes until it
// is killed. It says "recording" as each take starts.
#include "halvane/procedures/measurement/WaveRecorder.h"
#include "platform/Event.h"
#include "platform/alsa/AlsaSoundSystem.h"

#include <cstdio>
#include <vector>

int main() {
    platform::alsa::AlsaSoundSystem sound;
    halvane::procedures::WaveRecorder recorder(sound);
    platform::Event signal(platform::Event::Reset::Auto);
    if (!recorder.FindMicrophone(&signal) || !recorder.Open()) {
        std::printf("no microphone\n");
        return 1;
    }
    for (;;) {
        if (!recorder.Start()) return 1;
        std::printf("recording\n");
        std::fflush(stdout);
        if (!recorder.WaitForData(&signal)) return 1;
        std::vector<double> take;
        double largest = 0, smallest = 0;
        if (!recorder.StopAndReport(take, largest, smallest)) return 1;
    }
}
