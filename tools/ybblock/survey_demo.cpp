// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock demo --survey: flies a simulated survey into drive D: and says what was made and what to try
// on it.
#include "tool.h"

#include "survey.h"

namespace ybblock {

int runSurveyDemo(DemoOptions const& options, std::string const& folder, std::ostream& out, std::ostream& err) {
    yb::blockgen::SurveyShape shape;
    shape.strips = options.strips;
    shape.imagesPerStrip = options.stripImages;
    shape.forwardOverlap = options.forwardOverlap / 100.0;
    shape.sideOverlap = options.sideOverlap / 100.0;
    shape.seed = options.seed;
    if (std::string const problem = yb::blockgen::surveyShapeProblem(shape); !problem.empty()) {
        err << "ybblock demo --survey: " << problem << "\n";
        return kExitUsage;
    }
    out << "demo folder: " << folder << " (mapped as drive D:)\n";
    yb::blockgen::Survey survey;
    std::string failed;
    if (std::int32_t code = yb::blockgen::generateSurvey("D:\\Survey", "Survey", shape, survey, failed); code != 0) {
        reportFailure(err, "demo: " + failed, code, {});
        return kExitFailed;
    }
    out << "flew the survey D:\\Survey\\Survey.dms: " << counted(shape.strips, "strip", "strips") << " of "
        << counted(shape.imagesPerStrip, "image", "images") << ", forward overlap " << options.forwardOverlap
        << " %, side overlap " << options.sideOverlap << " %\n  a digital frame camera of "
        << yb::blockgen::SurveyCamera::kColumns << " x " << yb::blockgen::SurveyCamera::kRows << " pixels ("
        << yb::blockgen::SurveyCamera::kPixelMicrometres << " um, principal distance "
        << yb::blockgen::SurveyCamera::kPrincipalDistanceMm << " mm), " << yb::blockgen::SurveyCamera::kFlyingHeight
        << " m above the datum\n  " << counted(survey.points.size(), "ground point", "ground points") << ", "
        << counted(survey.block.points.size(), "tie point observation", "tie point observations") << ", "
        << survey.controlNames.size() << " of the points in the GCP layout D:\\Survey\\Survey.gcl\n"
        << "  the truth: D:\\Survey\\truth\\cameras.csv (image,x,y,z,omega,phi,kappa) and "
           "D:\\Survey\\truth\\points.csv (name,x,y,z)\n\n"
        << "Other commands reach its D: paths through the drive table:\n"
        << "  export YB_DRIVE_D=" << folder << "\n"
        << "  ybblock check 'D:\\Survey\\Survey.dms'\n"
        << "  ybblock export colmap 'D:\\Survey\\Survey.dms' -o " << folder << "/colmap\n";
    return kExitOk;
}

}  // namespace ybblock
