#pragma once

// libgsf as the library's readers and writers use it: set up once, its
// objects owned by unique_ptr. Not part of the library's interface.

#include <gsf/gsf.h>

#include <memory>

namespace quorlex::automation::compound {

// Deleter that releases a GObject reference.
struct GObjectUnref {
  void operator()(gpointer object) const {
    if (object != nullptr) g_object_unref(object);
  }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

// Deleter that frees a GError.
struct GErrorFree {
  void operator()(GError* error) const {
    if (error != nullptr) g_error_free(error);
  }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

// Initializes libgsf on first use. Its complaints about a damaged file on
// standard error are silenced: the reader reports the file as an error of
// its own.
void EnsureGsf();

}  // namespace quorlex::automation::compound
