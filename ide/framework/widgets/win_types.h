#pragma once
// The window-system vocabulary the page's code is written in: integer types, style bits, key,
// button and drop-effect codes with Windows' values, so that code ported from the page reads as
// it did. Only what the framework's classes take or answer is here.

#include <cstdint>

namespace vx {

using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using DWORD_PTR = uintptr_t;

// Window styles (Create).
inline constexpr uint32_t WS_CHILD = 0x40000000;
inline constexpr uint32_t WS_VISIBLE = 0x10000000;
inline constexpr uint32_t WS_TABSTOP = 0x00010000;
inline constexpr uint32_t WS_BORDER = 0x00800000;

// Check-box states (GetBtnState, SetBtnState).
inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;
inline constexpr int BST_INDETERMINATE = 2;

// Virtual-key codes handed to OnKeyDown; keys without a code here arrive as 0.
inline constexpr UINT VK_BACK = 0x08;
inline constexpr UINT VK_TAB = 0x09;
inline constexpr UINT VK_RETURN = 0x0D;
inline constexpr UINT VK_ESCAPE = 0x1B;
inline constexpr UINT VK_SPACE = 0x20;
inline constexpr UINT VK_PRIOR = 0x21;
inline constexpr UINT VK_NEXT = 0x22;
inline constexpr UINT VK_END = 0x23;
inline constexpr UINT VK_HOME = 0x24;
inline constexpr UINT VK_LEFT = 0x25;
inline constexpr UINT VK_UP = 0x26;
inline constexpr UINT VK_RIGHT = 0x27;
inline constexpr UINT VK_DOWN = 0x28;
inline constexpr UINT VK_INSERT = 0x2D;
inline constexpr UINT VK_DELETE = 0x2E;
inline constexpr UINT VK_APPS = 0x5D;
inline constexpr UINT VK_F1 = 0x70;
inline constexpr UINT VK_F2 = 0x71;

// Mouse buttons and modifier keys during a drag (the key state of CheckTreeForDropEffect).
inline constexpr uint32_t MK_LBUTTON = 0x01;
inline constexpr uint32_t MK_RBUTTON = 0x02;
inline constexpr uint32_t MK_SHIFT = 0x04;
inline constexpr uint32_t MK_CONTROL = 0x08;
inline constexpr uint32_t MK_MBUTTON = 0x10;
inline constexpr uint32_t MK_ALT = 0x20;

// Drop effects; the values are Qt::DropAction's as well.
using DROPEFFECT = uint32_t;
inline constexpr DROPEFFECT DROPEFFECT_NONE = 0;
inline constexpr DROPEFFECT DROPEFFECT_COPY = 1;
inline constexpr DROPEFFECT DROPEFFECT_MOVE = 2;
inline constexpr DROPEFFECT DROPEFFECT_LINK = 4;

// Notification codes of OnCommand: a button clicked, a combo box's selection chosen.
inline constexpr UINT BN_CLICKED = 0;
inline constexpr UINT CBN_SELCHANGE = 1;

// The message a CVXEdit sends its form when an edit is committed; wParam is the edit's id.
inline constexpr UINT WM_VX_EDITCOMMIT = 0x9DD;

// The first pane id of a splitter; pane (row, col) has AFX_IDW_PANE_FIRST + 16 * row + col.
inline constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;

} // namespace vx
