#include "audio/CodecList.h"
#include "audio/CodecTexts.h"

#include <gtest/gtest.h>

#include <set>

extern "C" {
#include <libavcodec/version.h>
}

namespace trx {
namespace {

TEST(CodecTextsTest, VersionLineEndsInRetailOnlyForBuildZero) {
    EXPECT_EQ(ConverterVersionText(PackVersion(4, 0, 0)), "ACM Version: 4.00 build 0 (Retail)");
    EXPECT_EQ(ConverterVersionText(PackVersion(3, 50, 1234)), "ACM Version: 3.50 build 1234 ");
    EXPECT_EQ(DriverVersionText(PackVersion(4, 0, 7)), "Version: 4.00");
    EXPECT_EQ(DriverVersionText(PackVersion(3, 50, 0)), "Version: 3.50");
    EXPECT_EQ(DesignedForVersionText(PackVersion(3, 51, 0)), "Designed for ACM version: 3.51");
    EXPECT_EQ(VersionMajor(0x0432FFFF), 4u);
    EXPECT_EQ(VersionMinor(0x0432FFFF), 50u);
    EXPECT_EQ(VersionBuild(0x0432FFFF), 65535u);
}

TEST(CodecTextsTest, CountIdAndFormatTypeLabels) {
    EXPECT_EQ(CodecCountText(3u), "Number of codecs: 3");
    EXPECT_EQ(CodecCountText(std::nullopt), "Unable to count codecs");
    EXPECT_EQ(DriverIdText(0x1A), "ID: 0x0000001a");
    EXPECT_EQ(FormatTypesText(0, {}), "Number of format types: 0");
    EXPECT_EQ(FormatTypesText(3, {"1", "17", "2"}), "Number of format types: 3 ( 1, 17, 2 )");
}

TEST(CodecDriverTest, TagsAreSortedAsTextWithoutDuplicates) {
    TCodecDriver driver;
    for (const std::uint16_t tag : std::initializer_list<std::uint16_t>{2, 17, 1, 2, 65534, 17})
        driver.AddFormat("f", TWaveFormatOb(WaveFormat{tag, 1, 8000, 8000, 1, 8, 0}));
    EXPECT_EQ(driver.Tags, (std::vector<std::string>{"1", "17", "2", "65534"}));
    EXPECT_EQ(driver.Formats.size(), 6u);
    EXPECT_EQ(driver.Formats[1].second.Decode().FormatTag, 17);
}

TEST(CodecDriverTest, FormatObjectHoldsThePackedRecordInAZeroFilledBlock) {
    const WaveFormat format{0x11, 2, 22050, 22311, 1024, 4, 2};
    const TWaveFormatOb small(format, 4);
    EXPECT_EQ(small.FormatSize, 18u);
    EXPECT_EQ(small.Decode(), format);
    const TWaveFormatOb large(format, 50);
    EXPECT_EQ(large.Format.size(), 50u);
    EXPECT_EQ(large.Format[0], 0x11);
    EXPECT_EQ(large.Format[4], 0x22); // 22050 = 0x5622, little-endian
    for (std::size_t i = 18; i < 50; ++i)
        EXPECT_EQ(large.Format[i], 0);
}

std::unique_ptr<TCodecDriver> Driver(std::uint32_t id, bool different, bool same,
                                     std::initializer_list<WaveFormat> formats) {
    auto driver = std::make_unique<TCodecDriver>();
    driver->DriverId = id;
    driver->SupportsDifferentTags = different;
    driver->SupportsSameTag = same;
    for (const WaveFormat& format : formats)
        driver->AddFormat("f", TWaveFormatOb(format));
    return driver;
}

TEST(ConversionDriverMatchTest, FlagsMustSayExactlyWhetherTheTagsDiffer) {
    const WaveFormat adpcm{2, 1, 22050, 11155, 512, 4, 32};
    const WaveFormat stereo{1, 2, 44100, 176400, 4, 16, 0};
    const WaveFormat target = AnalysisFormat();
    std::vector<std::unique_ptr<TCodecDriver>> drivers;
    drivers.push_back(Driver(1, true, true, {adpcm, stereo, target}));
    EXPECT_EQ(CodecList::MatchConversionDriver(drivers, adpcm, target), 0u);
    EXPECT_EQ(CodecList::MatchConversionDriver(drivers, stereo, target), 0u);

    drivers.push_back(Driver(2, false, true, {adpcm, stereo, target}));
    drivers.push_back(Driver(3, true, false, {adpcm, stereo, target}));
    EXPECT_EQ(CodecList::MatchConversionDriver(drivers, adpcm, target), 3u);
    EXPECT_EQ(CodecList::MatchConversionDriver(drivers, stereo, target), 2u);
    EXPECT_EQ(CodecList::MatchConversionDriver({}, stereo, target), 0u);
}

TEST(ConversionDriverMatchTest, BothFormatsMustBeListedIgnoringByteRateAndExtraSize) {
    const WaveFormat source{3, 2, 48000, 384000, 8, 32, 0};
    const WaveFormat target = AnalysisFormat();
    std::vector<std::unique_ptr<TCodecDriver>> drivers;
    // Lists the source only; then a second one with the tags but other rates.
    drivers.push_back(Driver(1, true, false, {source, WaveFormat{1, 1, 48000, 96000, 2, 16, 0}}));
    drivers.push_back(Driver(2, true, false, {WaveFormat{3, 2, 44100, 352800, 8, 32, 0}, target}));
    EXPECT_EQ(CodecList::MatchConversionDriver(drivers, source, target), 0u);

    WaveFormat sameButByteRate = source;
    sameButByteRate.AvgBytesPerSec = 1;
    sameButByteRate.ExtraSize = 22;
    drivers.push_back(Driver(3, true, false, {sameButByteRate, target}));
    drivers.push_back(Driver(4, true, false, {source, target}));
    EXPECT_EQ(CodecList::MatchConversionDriver(drivers, source, target), 3u);
}

TEST(CodecListTest, EnumerationDescribesTheConvertersOfThisBuild) {
    CodecList codecs;
    ASSERT_TRUE(codecs.EnumerateCodecs());
    const auto& drivers = codecs.Drivers();
    ASSERT_FALSE(drivers.empty());
    EXPECT_EQ(codecs.CountText(), "Number of codecs: " + std::to_string(drivers.size()));
    EXPECT_EQ(codecs.VersionText().rfind(
                  "ACM Version: " + std::to_string(LIBAVCODEC_VERSION_MAJOR) + ".", 0),
              0u);

    std::set<std::uint32_t> ids;
    for (const auto& driver : drivers) {
        SCOPED_TRACE(driver->ShortName);
        ids.insert(driver->DriverId);
        EXPECT_NE(driver->DriverId, 0u);
        EXPECT_NE(driver->SupportsSameTag, driver->SupportsDifferentTags);
        EXPECT_LE(driver->ShortName.size(), 32u);
        EXPECT_LE(driver->LongName.size(), 128u);
        EXPECT_LE(driver->Licensing.size(), 128u);
        EXPECT_NE(driver->Licensing.find("libavcodec"), std::string::npos);
        EXPECT_EQ(driver->FormatTagCount, driver->Tags.size());
        EXPECT_TRUE(driver->HasTag("1"));
        bool listsTarget = false;
        for (const auto& [description, format] : driver->Formats) {
            EXPECT_FALSE(description.empty());
            EXPECT_GE(format.FormatSize, 18u);
            listsTarget = listsTarget || SameConversionFormat(format.Decode(), AnalysisFormat());
        }
        EXPECT_TRUE(listsTarget);
    }
    EXPECT_EQ(ids.size(), drivers.size());

    // Rebuilding gives the same list, not a longer one.
    const std::size_t count = drivers.size();
    ASSERT_TRUE(codecs.EnumerateCodecs());
    EXPECT_EQ(codecs.Drivers().size(), count);
    codecs.ClearDrivers();
    EXPECT_TRUE(codecs.Drivers().empty());
}

TEST(CodecListTest, CommonRecordingsFindTheirConverter) {
    CodecList codecs;
    const WaveFormat target = AnalysisFormat();
    const auto driverFor = [&](const WaveFormat& source) -> std::string {
        const std::uint32_t id = codecs.FindConversionDriver(source, target);
        for (const auto& driver : codecs.Drivers())
            if (driver->DriverId == id)
                return driver->ShortName;
        return {};
    };
    EXPECT_EQ(driverFor({1, 2, 48000, 288000, 6, 24, 0}), "PCM Converter");
    EXPECT_EQ(driverFor({1, 1, 44100, 132300, 3, 24, 0}), "PCM Converter");
    EXPECT_EQ(driverFor({3, 2, 96000, 768000, 8, 32, 0}), "IEEE Float Converter");
    EXPECT_EQ(driverFor({0xFFFE, 2, 48000, 384000, 8, 32, 0}), "Extensible Format Converter");
    // An ADPCM file's bits per sample as the reader derives them: 4.
    EXPECT_EQ(driverFor({2, 2, 44100, 44359, 2048, 4, 0}), "MS ADPCM Converter");
    EXPECT_EQ(driverFor({0x11, 1, 22050, 11100, 512, 4, 0}), "IMA ADPCM Converter");
    EXPECT_EQ(codecs.FindConversionDriver({1, 2, 44100, 176400, 3, 12, 0}, target), 0u);
}

} // namespace
} // namespace trx
