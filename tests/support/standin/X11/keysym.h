// The keys the display tests press, as virtual-key codes (what SendInput
// takes on Windows); 0x100 marks a key of the extended set (right-hand
// modifiers, arrows).
#pragma once

#define OX_TEST_EXTENDED_KEY 0x100

#define XK_BackSpace 0x08
#define XK_Tab 0x09
#define XK_Return 0x0D
#define XK_Escape 0x1B
#define XK_space 0x20
#define XK_Left (0x25 | OX_TEST_EXTENDED_KEY)
#define XK_Up (0x26 | OX_TEST_EXTENDED_KEY)
#define XK_Right (0x27 | OX_TEST_EXTENDED_KEY)
#define XK_Down (0x28 | OX_TEST_EXTENDED_KEY)
#define XK_0 0x30
#define XK_1 0x31
#define XK_2 0x32
#define XK_3 0x33
#define XK_4 0x34
#define XK_5 0x35
#define XK_6 0x36
#define XK_7 0x37
#define XK_8 0x38
#define XK_9 0x39
#define XK_a 0x41
#define XK_b 0x42
#define XK_c 0x43
#define XK_d 0x44
#define XK_p 0x50
#define XK_s 0x53
#define XK_w 0x57
#define XK_x 0x58
#define XK_z 0x5A
#define XK_plus 0xBB
#define XK_minus 0xBD
#define XK_bracketleft 0xDB
#define XK_bracketright 0xDD
#define XK_F1 0x70
#define XK_F11 0x7A
#define XK_F12 0x7B
#define XK_Shift_L 0xA0
#define XK_Shift_R 0xA1
#define XK_Control_L 0xA2
#define XK_Control_R (0xA3 | OX_TEST_EXTENDED_KEY)
#define XK_Alt_L 0xA4
#define XK_Alt_R (0xA5 | OX_TEST_EXTENDED_KEY)
