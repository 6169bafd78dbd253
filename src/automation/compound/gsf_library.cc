#include "automation/compound/gsf_library.h"

namespace quorlex::automation::compound {
namespace {

void Quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

}  // namespace

void EnsureGsf() {
  static const bool initialized = [] {
    gsf_init();
    const auto levels =
        static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING |
                                    G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG);
    for (const char* domain : {"libgsf:msole", "libgsf", static_cast<const char*>(nullptr)}) {
      g_log_set_handler(domain, levels, Quiet, nullptr);
    }
    return true;
  }();
  (void)initialized;
}

}  // namespace quorlex::automation::compound
