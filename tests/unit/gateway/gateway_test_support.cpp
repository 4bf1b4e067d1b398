#include "gateway_test_support.h"

namespace quenbo::testsupport {

ProgramCommon::ProgramCommon(const std::map<std::string, std::string> &settings)
{
    std::map<std::string, std::string> all = standardSettings();
    for (const auto &[name, value] : settings)
        all[name] = value;
    m_dir.writeArchive(protectedConfig(all), corePictures());
    m_zip = m_dir.openArchive();
    m_common = std::make_unique<TCommon>(*m_zip, m_dir.appPath());
}

}  // namespace quenbo::testsupport
