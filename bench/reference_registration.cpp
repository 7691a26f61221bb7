// elastix as the accuracy table's reference registration.
#include "reference_registration.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include <unistd.h>

namespace {

// Rigid (Euler angles, rotation Rz*Rx*Ry about the centre), Mattes mutual information, a four-level
// smoothing pyramid, adaptive stochastic gradient descent on 4,096 random points a step with a fixed seed.
const char* kParameters = R"((FixedInternalImagePixelType "float")
(MovingInternalImagePixelType "float")
(FixedImageDimension 3)
(MovingImageDimension 3)
(UseDirectionCosines "true")
(Registration "MultiResolutionRegistration")
(Interpolator "BSplineInterpolator")
(ResampleInterpolator "FinalBSplineInterpolator")
(Resampler "DefaultResampler")
(FixedImagePyramid "FixedSmoothingImagePyramid")
(MovingImagePyramid "MovingSmoothingImagePyramid")
(Optimizer "AdaptiveStochasticGradientDescent")
(Transform "EulerTransform")
(ComputeZYX "false")
(Metric "AdvancedMattesMutualInformation")
(AutomaticScalesEstimation "true")
(AutomaticTransformInitialization "false")
(HowToCombineTransforms "Compose")
(NumberOfHistogramBins 32)
(ErodeMask "false")
(NumberOfResolutions 4)
(MaximumNumberOfIterations 300)
(NumberOfSpatialSamples 4096)
(NewSamplesEveryIteration "true")
(ImageSampler "RandomCoordinate")
(RandomSeed 121212)
(BSplineInterpolationOrder 1)
(FinalBSplineInterpolationOrder 3)
(DefaultPixelValue 0)
(WriteResultImage "false")
(ResultImageFormat "nii")
)";

// The numbers after "(name " on the line that starts so in an elastix parameter file.
std::vector<double> numbersOf(const std::string& text, const std::string& name) {
    std::istringstream lines(text);
    std::string line;
    const std::string start = "(" + name + " ";
    while (std::getline(lines, line)) {
        if (line.compare(0, start.size(), start) == 0) {
            std::istringstream values(line.substr(start.size()));
            std::vector<double> out;
            double v;
            while (values >> v) {
                out.push_back(v);
            }
            return out;
        }
    }
    return {};
}

// The rigid matrix of elastix's Euler transform in ITK's LPS world: x -> R (x - c) + c + t.
Matrix4d eulerMatrix(const std::vector<double>& p, const std::vector<double>& centre) {
    const double cx = std::cos(p[0]), sx = std::sin(p[0]);
    const double cy = std::cos(p[1]), sy = std::sin(p[1]);
    const double cz = std::cos(p[2]), sz = std::sin(p[2]);
    Matrix4d rx = identityMatrix(), ry = identityMatrix(), rz = identityMatrix();
    rx[1][1] = cx, rx[1][2] = -sx, rx[2][1] = sx, rx[2][2] = cx;
    ry[0][0] = cy, ry[0][2] = sy, ry[2][0] = -sy, ry[2][2] = cy;
    rz[0][0] = cz, rz[0][1] = -sz, rz[1][0] = sz, rz[1][1] = cz;
    Matrix4d m = multiply(rz, multiply(rx, ry));
    for (int i = 0; i < 3; ++i) {
        double turned = 0.0;
        for (int j = 0; j < 3; ++j) {
            turned += m[i][j] * centre[j];
        }
        m[i][3] = centre[i] - turned + p[3 + i];
    }
    return m;
}

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

bool elastixAvailable() {
    return std::system("command -v elastix >/dev/null 2>&1") == 0;
}

ReferenceResult registerWithElastix(const std::string& anatomicalPath, const NiftiImage& functional,
                                    const std::string& scratchFolder) {
    ReferenceResult result;
    std::string folder = scratchFolder + "/elastix-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        result.error = "no scratch folder in " + scratchFolder;
        return result;
    }
    const std::string fixedPath = folder + "/functional.nii.gz";
    result.error = writeFloatImage(fixedPath, functional);
    if (result.error.empty()) {
        std::ofstream(folder + "/rigid.txt") << kParameters;
        const std::string command = "elastix -threads 1 -f '" + fixedPath + "' -m '" + anatomicalPath +
                                    "' -p '" + folder + "/rigid.txt' -out '" + folder + "' >'" + folder +
                                    "/log.txt' 2>&1";
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::string transform = readText(folder + "/TransformParameters.0.txt");
        const std::vector<double> parameters = numbersOf(transform, "TransformParameters");
        const std::vector<double> centre = numbersOf(transform, "CenterOfRotationPoint");
        if (status != 0 || parameters.size() != 6 || centre.size() != 3) {
            result.error =
                "elastix failed (exit status " + std::to_string(status) + "; see " + folder + "/log.txt)";
            return result;
        } else {
            // elastix maps the functional's world points to the anatomical's: the correction itself, once
            // taken from ITK's LPS world to the RAS world (x and y negated on both sides).
            Matrix4d flip = identityMatrix();
            flip[0][0] = flip[1][1] = -1.0;
            result.correction = multiply(flip, multiply(eulerMatrix(parameters, centre), flip));
        }
    }
    std::system(("rm -rf '" + folder + "'").c_str());
    return result;
}
