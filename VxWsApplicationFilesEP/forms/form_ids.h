#pragma once
// The templates of the right pane's forms and the ids of the controls their code addresses.

#include "ide/framework/widgets/win_types.h"

namespace vx {

inline constexpr UINT IDD_NEW_FILE_FORM = 200;
inline constexpr UINT IDD_FILE_ATTRIBUTES_FORM = 207;
inline constexpr UINT IDD_FILE_ATTRIBUTES_ORG_FORM = 214;

// Original file information (templates 207 and 214).
inline constexpr UINT IDC_FILE_NAME = 201;
inline constexpr UINT IDC_DESTINATION = 202;
inline constexpr UINT IDC_FILE_KEY = 203;
inline constexpr UINT IDC_COMPONENT_NAME = 205;
inline constexpr UINT IDC_KEY_FILE = 206;
inline constexpr UINT IDC_FILE_VERSION = 207;
inline constexpr UINT IDC_FILE_LANGUAGE = 224;

// Template 207: the updated file.
inline constexpr UINT IDC_BROWSE_UPDATED_FILE = 204;
inline constexpr UINT IDC_NEW_FILE_VERSION = 208;
inline constexpr UINT IDC_DELETE_ON_PATCH = 215;
inline constexpr UINT IDC_OVERWRITE = 225;
inline constexpr UINT IDC_UPDATED_EXTRACT_COM = 226;
inline constexpr UINT IDC_UPDATED_FILE_PATH = 233;

// Template 200: the new file.
inline constexpr UINT IDC_NEW_FILE_PATH = 216;
inline constexpr UINT IDC_BROWSE_NEW_FILE = 217;
inline constexpr UINT IDC_DESTINATION_DIR = 218;
inline constexpr UINT IDC_DESTINATION_PATH = 219;
inline constexpr UINT IDC_SELF_REG = 221;
inline constexpr UINT IDC_FEATURES = 223;
inline constexpr UINT IDC_NEW_EXTRACT_COM = 227;
// The note beside 221 and 227 while either is checked: such a patch cannot be uninstalled.
inline constexpr UINT IDC_REGISTRATION_NOTE = 240;

// Bitmap of the feature tree's items.
inline constexpr UINT IDB_FEATURE = 213;

} // namespace vx
