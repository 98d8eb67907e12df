#pragma once

#include "halvane/link/SerBase.h"

namespace ConTypes {

// The flagship family's command set: processors with DSP memory written
// word by word (models 0-5, unit classes 1 and 2).
class BztTolvarinePlatformV1Base : public SerBase {
public:
    using SerBase::SerBase;

    void CheckFirmwareVersion() override;
    void PowerOn() override;
    void PowerOff(std::int32_t askOnFailure) override;
    void PrepareMeasurement(std::int32_t flag) override;
    void EndMeasurement() override;
    void StartTestTone(std::int32_t channel, std::int32_t second) override;
    void StopTestTone(std::int32_t channel, std::int32_t second) override;
    void BeginSpeakerUpload() override;
    void EndSpeakerUpload(std::int32_t flag) override;
    void PrepareUpload() override;
    void EndUpload(std::int32_t flag) override;
    void UploadSpeakerConfig(halvane::CHalvaneDoc* document) override;
    void UploadSpeakerLevels(halvane::CHalvaneDoc* document) override;
    void UploadCoefficients(bool erase, halvane::CHalvaneDoc* document) override;
    bool VerifyCoefficients(halvane::CHalvaneDoc* document, std::int32_t second) override;
    void UploadGains(bool erase, halvane::CHalvaneDoc* document) override;
    void SetupForMeasurement(Progress* progressHolder) override;
};

// Tolvarine Z6, Tolvarine Z5, Bzt 50/Qex, Bzt 40/Qex (models 0-3, class 1).
class BztTolvarineV1 final : public BztTolvarinePlatformV1Base {
public:
    explicit BztTolvarineV1(std::int32_t modelIndex) : BztTolvarinePlatformV1Base(modelIndex, 1) {}
};

// Tolvarine Z6v, Bzt 50v (models 4-5, class 2).
class BztTolvarineV2 final : public BztTolvarinePlatformV1Base {
public:
    explicit BztTolvarineV2(std::int32_t modelIndex) : BztTolvarinePlatformV1Base(modelIndex, 2) {}
};

// The receiver family: Vux 300, Vux 500, Vux 700 (models 6-8, class 4),
// with fixed-width setting words and float coefficient bits.
class VuxV1Base final : public SerBase {
public:
    explicit VuxV1Base(std::int32_t modelIndex) : SerBase(modelIndex, 4) {}

    void CheckFirmwareVersion() override;
    void PowerOn() override;
    void PowerOff(std::int32_t askOnFailure) override;
    void PrepareMeasurement(std::int32_t flag) override;
    void EndMeasurement() override;
    void StartTestTone(std::int32_t channel, std::int32_t second) override;
    void StopTestTone(std::int32_t channel, std::int32_t second) override;
    void BeginSpeakerUpload() override;
    void EndSpeakerUpload(std::int32_t flag) override;
    void PrepareUpload() override;
    void EndUpload(std::int32_t flag) override;
    void UploadSpeakerConfig(halvane::CHalvaneDoc* document) override;
    void UploadSpeakerLevels(halvane::CHalvaneDoc* document) override;
    void UploadCoefficients(bool erase, halvane::CHalvaneDoc* document) override;
    bool VerifyCoefficients(halvane::CHalvaneDoc* document, std::int32_t second) override;
    void UploadGains(bool erase, halvane::CHalvaneDoc* document) override;
    void SetupForMeasurement(Progress* progressHolder) override;
};

}  // namespace ConTypes
