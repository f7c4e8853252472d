/* The program's resources, written once for both builds: their ids, the title string, the menu
   bar (101) and the accelerator table (103). app/Corvane.rc expands the lists into the resource
   script windres compiles into corvane.exe; app/Resources.cpp expands them into the tables the
   Linux backends read. Plain C preprocessor only, since windres reads this file too. */
#ifndef CORVANE_RESOURCE_TABLES_H
#define CORVANE_RESOURCE_TABLES_H

#define IDS_TITLE 1
#define IDR_MAIN_MENU 101
#define IDR_ACCELERATORS 103
#define IDI_CORVANE 105

#define IDM_ABOUT 40001
#define IDM_PAUSE 40002
#define IDM_SINGLE_STEP 40003
#define IDM_EXIT 40004
#define IDM_CHANGE_SHAPE 40005
#define IDM_ROTATE 40006
#define IDM_LIGHT1_ENABLED 40007
#define IDM_LIGHT1_GLASS 40008
#define IDM_LIGHT1_MOVE 40009
#define IDM_LIGHT2_ENABLED 40010
#define IDM_LIGHT2_GLASS 40011
#define IDM_LIGHT2_MOVE 40012
#define IDM_SHADOW 40013

#define CORVANE_TITLE "Corvane"

/* The menu bar: POPUP(text) opens a popup that END() closes; ITEM(text, id); SEPARATOR().
   '&' marks an item's mnemonic, '\t' comes before the key shown at the right. */
#define CORVANE_MAIN_MENU(POPUP, ITEM, SEPARATOR, END) \
    POPUP("File") \
        ITEM("About...", IDM_ABOUT) \
        SEPARATOR() \
        ITEM("&Pause \tPause", IDM_PAUSE) \
        ITEM("&Single Step \tSpace", IDM_SINGLE_STEP) \
        SEPARATOR() \
        ITEM("&Exit \tEsc", IDM_EXIT) \
    END() \
    POPUP("Options") \
        POPUP("Object") \
            ITEM("Change Shape \tF1", IDM_CHANGE_SHAPE) \
            ITEM("Rotate \tF2", IDM_ROTATE) \
        END() \
        SEPARATOR() \
        POPUP("Spot Light 1") \
            ITEM("Enabled \tF5", IDM_LIGHT1_ENABLED) \
            ITEM("Stained Glass \tF6", IDM_LIGHT1_GLASS) \
            ITEM("Move \tF7", IDM_LIGHT1_MOVE) \
        END() \
        POPUP("Spot Light 2") \
            ITEM("Enabled \tF9", IDM_LIGHT2_ENABLED) \
            ITEM("Stained Glass \tF10", IDM_LIGHT2_GLASS) \
            ITEM("Move \tF11", IDM_LIGHT2_MOVE) \
        END() \
        SEPARATOR() \
        ITEM("Shadow \tF3", IDM_SHADOW) \
    END()

/* The accelerators, in stored order: KEY(virtual key, id), each without modifier keys and
   without menu highlighting. */
#define CORVANE_ACCELERATORS(KEY) \
    KEY(VK_ESCAPE, IDM_EXIT) \
    KEY(VK_F1, IDM_CHANGE_SHAPE) \
    KEY(VK_F10, IDM_LIGHT2_GLASS) \
    KEY(VK_F11, IDM_LIGHT2_MOVE) \
    KEY(VK_F2, IDM_ROTATE) \
    KEY(VK_F3, IDM_SHADOW) \
    KEY(VK_F5, IDM_LIGHT1_ENABLED) \
    KEY(VK_F6, IDM_LIGHT1_GLASS) \
    KEY(VK_F7, IDM_LIGHT1_MOVE) \
    KEY(VK_F9, IDM_LIGHT2_ENABLED) \
    KEY(VK_PAUSE, IDM_PAUSE) \
    KEY(VK_SPACE, IDM_SINGLE_STEP)

#endif
