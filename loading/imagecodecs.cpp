#include "imagecodecs.h"

#include <dlfcn.h>

#include <iostream>

namespace {

using Decode = cv::Mat (*)(const cv::_InputArray&, int);
using Encode = bool (*)(const std::string&, const cv::_InputArray&, std::vector<uchar>&,
                        const std::vector<int>&);

struct Codecs
{
    Decode decode = nullptr;
    Encode encode = nullptr;
};

// The library's own names for cv::imdecode(InputArray, int) and cv::imencode(const String&,
// InputArray, std::vector<uchar>&, const std::vector<int>&) of OpenCV 4.
const char* const decodeSymbol = "_ZN2cv8imdecodeERKNS_11_InputArrayEi";
const char* const encodeSymbol =
    "_ZN2cv8imencodeERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEERKNS_11_"
    "InputArrayERSt6vectorIhSaIhEERKSB_IiSaIiEE";

Codecs loadCodecs()
{
    void* library = dlopen(QUADROTAG_IMGCODECS_LIBRARY, RTLD_LAZY | RTLD_LOCAL);
    if (!library) {
        std::cerr << "OpenCV's image decoders can't be loaded: " << dlerror() << std::endl;
        return Codecs();
    }
    Codecs codecs{reinterpret_cast<Decode>(dlsym(library, decodeSymbol)),
                  reinterpret_cast<Encode>(dlsym(library, encodeSymbol))};
    if (!codecs.decode || !codecs.encode) {
        std::cerr << "OpenCV's image decoders can't be loaded: " << QUADROTAG_IMGCODECS_LIBRARY
                  << " lacks OpenCV 4's imdecode or imencode" << std::endl;
        return Codecs();
    }
    return codecs;
}

// Loaded once, by whoever asks first; the others wait for it. Lazily bound: binding every symbol
// of a hundred libraries at once would cost more than loading them.
const Codecs& codecs()
{
    static const Codecs loaded = loadCodecs();
    return loaded;
}

} // namespace

cv::Mat ImageCodecs::decode(cv::InputArray bytes, int flags)
{
    const Codecs& loaded = codecs();
    return loaded.decode ? loaded.decode(bytes, flags) : cv::Mat();
}

bool ImageCodecs::encode(const std::string& extension, cv::InputArray image,
                         std::vector<uchar>& bytes, const std::vector<int>& parameters)
{
    const Codecs& loaded = codecs();
    return loaded.encode && loaded.encode(extension, image, bytes, parameters);
}
