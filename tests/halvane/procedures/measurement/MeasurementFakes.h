#pragma once
// A scripted processor (a unit object that logs its calls) and a scripted
// recorder whose takes come from the simulated microphone in the simulated
// room, hearing whichever channel the scripted processor's test tone plays.

#include "halvane/design/CCurveCorrectionManager.h"
#include "halvane/diagnostics/TException.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/UnitBase.h"
#include "halvane/procedures/measurement/IMeasurementRecorder.h"
#include "halvane/procedures/measurement/MicrophoneCalibration.h"
#include "sim/Microphone.h"
#include "sim/Room.h"

#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <vector>

class FakeUnit final : public halvane::link::ConTypes::UnitBase {
public:
    FakeUnit(int modelIndex, int unitClass, halvane::link::Comm::CBasicTessikPort& port) : UnitBase(modelIndex, unitClass, port) {}

    bool connected = true;
    int playing = -1;  // channel of the test tone, -1 none
    int playingPosition = 0;
    std::vector<std::string> calls;
    std::string throwOn;  // the call that fails (once)
    std::function<void(const std::string&)> onCall;

    bool IsConnected() override { return connected; }
    void Disconnect() override { log("Disconnect"); }
    void CheckFirmwareVersion() override { log("CheckFirmwareVersion"); }
    void PowerOn() override { log("PowerOn"); }
    void PowerOff(std::int32_t ask) override { log("PowerOff(" + std::to_string(ask) + ")"); }
    void PrepareMeasurement(std::int32_t flag) override { log("PrepareMeasurement(" + std::to_string(flag) + ")"); }
    void EndMeasurement() override { log("EndMeasurement"); }
    void StartTestTone(std::int32_t channel, std::int32_t position) override {
        log("StartTestTone(" + std::to_string(channel) + "," + std::to_string(position) + ")");
        playing = channel;
        playingPosition = position;
    }
    void StopTestTone(std::int32_t channel, std::int32_t position) override {
        log("StopTestTone(" + std::to_string(channel) + "," + std::to_string(position) + ")");
        playing = -1;
    }
    void BeginSpeakerUpload() override { log("BeginSpeakerUpload"); }
    void EndSpeakerUpload(std::int32_t) override { log("EndSpeakerUpload"); }
    void PrepareUpload() override { log("PrepareUpload"); }
    void EndUpload(std::int32_t) override { log("EndUpload"); }
    void UploadSpeakerConfig(halvane::link::UploadSource*) override { log("UploadSpeakerConfig"); }
    void UploadSpeakerLevels(halvane::link::UploadSource*) override { log("UploadSpeakerLevels"); }
    void UploadCoefficients(bool, halvane::link::UploadSource*) override { log("UploadCoefficients"); }
    bool VerifyCoefficients(halvane::link::UploadSource*, std::int32_t) override { return true; }
    void UploadGains(bool, halvane::link::UploadSource*) override { log("UploadGains"); }

private:
    void log(const std::string& call) {
        calls.push_back(call);
        if (onCall) onCall(call);
        if (!throwOn.empty() && call == throwOn) {
            throwOn.clear();
            throw halvane::diagnostics::TException("Unit failure at " + call);
        }
    }
};

class FakeRecorder final : public halvane::procedures::IMeasurementRecorder {
public:
    FakeRecorder(FakeUnit& unit, sim::Room& room) : unit_(unit), mic_(room) {}

    // Scripted troubles, counted down as they happen.
    int failFind = 0;
    int failStart = 0;
    int failWait = 0;
    int shortTakes = 0;  // takes one sample short
    int silentTakes = 0;  // takes with no tone in them
    std::map<int, int> silentFor;  // the next takes of a channel with no tone in them
    std::map<int, double> channelGainDb;  // extra gain of a channel's takes
    std::vector<std::string> calls;
    std::vector<std::pair<int, int>> takes;  // what each take heard: channel, position

    sim::Microphone& Mic() { return mic_; }

    bool FindMicrophone(platform::Event* signal) override {
        calls.push_back("FindMicrophone");
        signal_ = signal;
        if (failFind > 0) return --failFind, false;
        return true;
    }
    bool Open() override {
        calls.push_back("Open");
        open_ = true;
        return true;
    }
    bool IsOpen() const override { return open_; }
    bool IsMixerOpen() const override { return open_; }
    bool volumeControl = true;
    bool HasVolumeControl() const override { return volumeControl; }
    void SetLevel(std::uint32_t level) override {
        calls.push_back("SetLevel(" + std::to_string(level) + ")");
    }
    bool Start() override {
        calls.push_back("Start");
        if (failStart > 0) return --failStart, false;
        // The take is what the microphone hears while the tone plays.
        heard_ = {unit_.playing, unit_.playingPosition};
        started_ = true;
        return true;
    }
    bool WaitForData(platform::Event*) override {
        calls.push_back("WaitForData");
        if (failWait > 0) return --failWait, false;
        return started_;
    }
    bool StopAndReport(std::vector<double>& samples, double& largest, double& smallest) override {
        calls.push_back("StopAndReport");
        if (!started_) return false;
        started_ = false;
        int channel = heard_.first;
        if (silentTakes > 0) --silentTakes, channel = -1;
        if (auto s = silentFor.find(channel); s != silentFor.end() && s->second > 0) --s->second, channel = -1;
        takes.push_back({channel, heard_.second});
        const std::vector<std::int16_t> stereo = mic_.take(channel, heard_.second);
        const auto g = channelGainDb.find(heard_.first);
        const double gain = g != channelGainDb.end() ? std::pow(10.0, g->second / 20) : 1.0;
        samples.resize(stereo.size() / 2);
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = gain * stereo[2 * i] / 32767.0;
        if (shortTakes > 0) --shortTakes, samples.pop_back();
        largest = 1;
        smallest = -1;
        return true;
    }
    void Close() override {
        calls.push_back("Close");
        open_ = false;
    }
    int BitsPerSample() const override { return 16; }
    int SampleRate() const override { return 48000; }

private:
    FakeUnit& unit_;
    sim::Microphone mic_;
    platform::Event* signal_ = nullptr;
    bool open_ = false;
    bool started_ = false;
    std::pair<int, int> heard_{-1, 0};
};

// The simulated microphone's calibration: a take at full scale reads 80 dB,
// so the simulated room's channels come out at about 80 dB SPL.
class SimMicCalibration final : public halvane::procedures::ICalibrationSource {
public:
    int asked = 0;
    bool GetCalibration(halvane::procedures::MicrophoneCalibration& calibration) override {
        ++asked;
        calibration = halvane::procedures::FlatCalibration();
        const double scale = 1e-4 / halvane::design::CCurveCorrectionManager::ModeGain(calibration.kind);
        for (int i = 0; i < calibration.curve.Count(); ++i) calibration.curve.A()[i] = scale;
        calibration.data = std::make_shared<const std::vector<std::uint8_t>>(std::vector<std::uint8_t>{1, 2, 3});
        calibration.firstId = 7;
        calibration.secondId = 9;
        return true;
    }
};
