// The service catalogue and the process probe built on it.

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/catalogue.h"
#include "core/process_probe.h"
#include "tests/unit/fake_platform.h"

namespace tavori {
namespace {

// --- Catalogue ----------------------------------------------------------------------------------

TEST(Catalogue, WatchesTheSevenMailServicesInWindowOrder) {
    std::vector<std::string_view> names;
    for (const ServiceRow& row : kWatchedServices) {
        names.push_back(row.serviceName);
    }
    EXPECT_EQ(names, (std::vector<std::string_view>{"MEIMAPS", "MELCS", "MEMTAS", "MEDMS", "MEPOPS",
                                                    "MEPOCS", "MESMTPCS"}));
}

TEST(Catalogue, WebPublishingIsNotWatched) {
    EXPECT_EQ(kWebPublishingService.serviceName, "W3SVC");
    for (const ServiceRow& row : kWatchedServices) {
        EXPECT_NE(row.serviceName, "W3SVC");
    }
}

// The probe asks about the image name, which is not always the service name spelled in lower
// case: the list connector service MELCS runs melsc.exe, and MEMTAS runs memta.exe.
struct ProbeNameCase {
    std::string_view serviceName;
    std::string_view probeImageName;

    friend void PrintTo(const ProbeNameCase& c, std::ostream* out) { *out << c.serviceName; }
};

class CatalogueProbeName : public ::testing::TestWithParam<ProbeNameCase> {};

TEST_P(CatalogueProbeName, RowProbesItsImage) {
    const auto found =
        std::find_if(kWatchedServices.begin(), kWatchedServices.end(),
                     [](const ServiceRow& r) { return r.serviceName == GetParam().serviceName; });
    ASSERT_NE(found, kWatchedServices.end());
    EXPECT_EQ(found->probeImageName, GetParam().probeImageName);
}

INSTANTIATE_TEST_SUITE_P(
    AllRows, CatalogueProbeName,
    ::testing::Values(ProbeNameCase{"MEIMAPS", "MEIMAPS.exe"}, ProbeNameCase{"MELCS", "melsc.exe"},
                      ProbeNameCase{"MEMTAS", "memta.exe"}, ProbeNameCase{"MEDMS", "medms.exe"},
                      ProbeNameCase{"MEPOPS", "mepops.exe"}, ProbeNameCase{"MEPOCS", "mepoc.exe"},
                      ProbeNameCase{"MESMTPCS", "mesmtpc.exe"}),
    [](const auto& param) { return std::string(param.param.serviceName); });

TEST(Catalogue, CommandsNameTheServiceNotTheImage) {
    std::vector<ServiceRow> rows(kWatchedServices.begin(), kWatchedServices.end());
    rows.push_back(kWebPublishingService);
    for (const ServiceRow& row : rows) {
        SCOPED_TRACE(row.serviceName);
        EXPECT_EQ(row.stopCommand, "net.exe stop " + std::string(row.serviceName));
        EXPECT_EQ(row.startCommand, "net.exe start " + std::string(row.serviceName));
    }
}

TEST(Catalogue, ProbeNamesNeedNoQuoting) {
    // The probe pastes the name between apostrophes without escaping anything.
    for (const ServiceRow& row : kWatchedServices) {
        SCOPED_TRACE(row.serviceName);
        EXPECT_EQ(row.probeImageName.find('\''), std::string_view::npos);
        EXPECT_TRUE(row.probeImageName.ends_with(".exe"));
    }
}

TEST(Catalogue, IndicatorColoursAreLaidOutBlueGreenRed) {
    EXPECT_EQ(kRunningColour, 0x0000FF00u);       // green
    EXPECT_EQ(kNotRunningColour, 0x000000FFu);    // red
    EXPECT_EQ(kNotYetProbedColour, 0x00FFFF00u);  // cyan: blue and green
}

// --- Probe --------------------------------------------------------------------------------------

TEST(ProcessProbe, BuildsTheQueryByteForByte) {
    EXPECT_EQ(BuildProcessQuery("melsc.exe"),
              "SELECT Name FROM Win32_Process WHERE Name='melsc.exe'");
    EXPECT_EQ(BuildProcessQuery("MEIMAPS.exe"),
              "SELECT Name FROM Win32_Process WHERE Name='MEIMAPS.exe'");
}

struct RunningCase {
    const char* name;
    std::vector<std::string> processes;
    std::string_view probe;
    bool running;

    friend void PrintTo(const RunningCase& c, std::ostream* out) { *out << c.name; }
};

class ProcessProbeRunning : public ::testing::TestWithParam<RunningCase> {};

TEST_P(ProcessProbeRunning, AnswersFromTheProcessTable) {
    fake::FakeManagementService management;
    management.SetProcesses(GetParam().processes);
    EXPECT_EQ(IsProcessRunning(management, GetParam().probe), GetParam().running);
    EXPECT_EQ(management.queries(), std::vector<std::string>{BuildProcessQuery(GetParam().probe)});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProcessProbeRunning,
    ::testing::Values(
        RunningCase{"NoMatch", {"explorer.exe", "svchost.exe"}, "mepops.exe", false},
        RunningCase{"EmptyTable", {}, "mepops.exe", false},
        RunningCase{"OneMatch", {"explorer.exe", "mepops.exe"}, "mepops.exe", true},
        RunningCase{"TwoMatches", {"mepops.exe", "svchost.exe", "mepops.exe"}, "mepops.exe", true},
        RunningCase{"CaseDiffers", {"meimaps.exe"}, "MEIMAPS.exe", true},
        // The list connector's service name is not its image name.
        RunningCase{"ServiceNameIsNotTheImage", {"melcs.exe"}, "melsc.exe", false},
        RunningCase{"PrefixIsNotAMatch", {"mepops.exe.bak", "xmepops.exe"}, "mepops.exe", false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ProcessProbe, EveryCallRunsItsOwnQuery) {
    fake::FakeManagementService management;
    management.SetProcesses({"mepops.exe"});
    EXPECT_TRUE(IsProcessRunning(management, "mepops.exe"));
    management.RemoveProcess("mepops.exe");
    EXPECT_FALSE(IsProcessRunning(management, "mepops.exe"));
    EXPECT_EQ(management.queries().size(), 2u);
}

TEST(ProcessProbe, ServiceErrorsReachTheCaller) {
    fake::FakeManagementService management;
    management.FailNextWith(Error("Asking which processes run", 0x80041003, "Access denied", true));
    try {
        IsProcessRunning(management, "mepops.exe");
        ADD_FAILURE() << "the error did not propagate";
    } catch (const Error& error) {
        EXPECT_EQ(error.Code(), 0x80041003u);
    }
}

}  // namespace
}  // namespace tavori
