// Export macros of the outside components. Each component is a shared library
// built with hidden symbols and compiled with EM_BUILDING_<COMPONENT>; in its
// own build the macro of its header marks what that header declares visible,
// everywhere else the macro is empty. So a component that includes another's
// header (the decoders read RecordView, the filter the field catalogue)
// exports none of that component's inline members, only its own interface.
#pragma once

#define EM_OUTSIDE_VISIBLE __attribute__((visibility("default")))

#ifdef EM_BUILDING_DATAACCESS
#define EM_DATAACCESS_API EM_OUTSIDE_VISIBLE
#else
#define EM_DATAACCESS_API
#endif

#ifdef EM_BUILDING_UTILITY
#define EM_UTILITY_API EM_OUTSIDE_VISIBLE
#else
#define EM_UTILITY_API
#endif

#ifdef EM_BUILDING_GSM_DECODER
#define EM_GSM_DECODER_API EM_OUTSIDE_VISIBLE
#else
#define EM_GSM_DECODER_API
#endif

#ifdef EM_BUILDING_CDMA_DECODER
#define EM_CDMA_DECODER_API EM_OUTSIDE_VISIBLE
#else
#define EM_CDMA_DECODER_API
#endif

#ifdef EM_BUILDING_WCDMA_DECODER
#define EM_WCDMA_DECODER_API EM_OUTSIDE_VISIBLE
#else
#define EM_WCDMA_DECODER_API
#endif

#ifdef EM_BUILDING_TDSCDMA_DECODER
#define EM_TDSCDMA_DECODER_API EM_OUTSIDE_VISIBLE
#else
#define EM_TDSCDMA_DECODER_API
#endif

#ifdef EM_BUILDING_LTE_DECODER
#define EM_LTE_DECODER_API EM_OUTSIDE_VISIBLE
#else
#define EM_LTE_DECODER_API
#endif

#ifdef EM_BUILDING_UMTS_DIAGNOSIS
#define EM_UMTS_DIAGNOSIS_API EM_OUTSIDE_VISIBLE
#else
#define EM_UMTS_DIAGNOSIS_API
#endif

#ifdef EM_BUILDING_TDSCDMA_DIAGNOSIS
#define EM_TDSCDMA_DIAGNOSIS_API EM_OUTSIDE_VISIBLE
#else
#define EM_TDSCDMA_DIAGNOSIS_API
#endif

#ifdef EM_BUILDING_CDMA_DIAGNOSIS
#define EM_CDMA_DIAGNOSIS_API EM_OUTSIDE_VISIBLE
#else
#define EM_CDMA_DIAGNOSIS_API
#endif

#ifdef EM_BUILDING_EXPRESSION_FILTER
#define EM_EXPRESSION_FILTER_API EM_OUTSIDE_VISIBLE
#else
#define EM_EXPRESSION_FILTER_API
#endif
