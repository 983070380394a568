/* Oxlen Engine: the export macro and the C linkage helpers shared by every
   public header. */
#ifndef OX_EXPORT_H
#define OX_EXPORT_H

#if defined(_WIN32)
#  if defined(OX_BUILDING_LIBRARY)
#    define OX_API __declspec(dllexport)
#  else
#    define OX_API __declspec(dllimport)
#  endif
#else
#  define OX_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#  define OX_EXTERN_C_BEGIN extern "C" {
#  define OX_EXTERN_C_END }
#else
#  define OX_EXTERN_C_BEGIN
#  define OX_EXTERN_C_END
#endif

#endif
