// Resource ids of the program: every menu command, menu, dialog template,
// control, string, icon, bitmap and accelerator table has its name here, and
// demo.rc, the Win32 layer, the portable core and the tests all use these
// names. Plain #defines only: the resource compiler, the tests' reader of
// demo.rc and C++ code include this file.
#pragma once

// ---------------------------------------------------------------------------
// Menu bars (one per family of card types) and the accelerator table. The
// main frame's menu, accelerators and document string share IDR_MAINFRAME.

#define IDR_MAINFRAME 2          // no card type, or one without commands of its own
#define IDR_MENU_CPU 135         // CPU and SAM cards
#define IDR_MENU_I2C 137         // I2C memory cards and the AT45D041
#define IDR_MENU_SLE 138         // SLE4442 and SLE4428
#define IDR_MENU_AT88SC102 139   // AT88SC102
#define IDR_MENU_AT88SC1604 141  // AT88SC1604 and AT88SC1604B
#define IDR_MENU_AT88SC1608 143  // AT88SC1608 and AT88SC153

// Icon of the main window and the About box; background of the memory view.
#define IDI_MAINFRAME 2
#define IDB_BACKGROUND 126

// Strings (the document string is IDR_MAINFRAME).
#define IDS_APP_TITLE 57344

// ---------------------------------------------------------------------------
// Framework commands (the accelerators and the standard menu items).

#define ID_FILE_NEW 57600
#define ID_FILE_OPEN 57601
#define ID_FILE_SAVE 57603
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_CONTEXT_HELP 57669
#define ID_HELP 57670

// ---------------------------------------------------------------------------
// Card type commands ("手工选择" and "自动测卡型"). The no-card menu's
// "45D041" item has an id of its own.

#define ID_CARDTYPE_24C01A 32771
#define ID_CARDTYPE_24C02 32772
#define ID_CARDTYPE_24C04 32773
#define ID_CARDTYPE_24C16 32774
#define ID_CARDTYPE_AT88SC102 32775
#define ID_CARDTYPE_SLE4406 32777
#define ID_CARDTYPE_AT88SC1604 32789
#define ID_CARDTYPE_AUTODETECT 32790
#define ID_CARDTYPE_SLE4442 32791
#define ID_CARDTYPE_SLE4404 32794
#define ID_CARDTYPE_SLE4428 32796
#define ID_CARDTYPE_24C08 32805
#define ID_CARDTYPE_24C64 32806
#define ID_CARDTYPE_AT45D041 32812
#define ID_CARDTYPE_AT88SC1604B 32813
#define ID_CARDTYPE_CPU 32828
#define ID_CARDTYPE_AT88SC1608 32830
#define ID_CARDTYPE_SSF1101 32843
#define ID_CARDTYPE_AT88SC153 32846
#define ID_CARDTYPE_AT45D041_MAINFRAME 32850

// Ports.
#define ID_PORT_COM1 32784
#define ID_PORT_COM2 32785
#define ID_PORT_COM3 32786
#define ID_PORT_COM4 32787
#define ID_PORT_USB 32831

// Card, reader and help commands.
#define ID_CARD_READ 32778
#define ID_CARD_WRITE 32779
#define ID_CARD_BATCH_WRITE 32852
#define ID_CARD_PUSH_OUT 32792
#define ID_CARD_POWER_DOWN 32807
#define ID_CPU_CARD_CONSOLE 32815
#define ID_APDU_WORKBENCH 32851
#define ID_DEVICE_OPERATIONS 32841
#define ID_READER_VERSION 32848
#define ID_READER_FIRMWARE_DOWNLOAD 32814  // no menu item; its prompt is a string
#define ID_HELP_TOPICS 32847
#define ID_HELP_WINHELP_INDEX 32793        // no menu item

// Passwords of the memory cards: user password (SLE4442, SLE4428, AT88SC102,
// AT88SC1604/1604B), zone and erase passwords of the AT88SC102/1604/1604B.
// The zone commands of each group are consecutive.
#define ID_VERIFY_USER_PASSWORD 32800
#define ID_VERIFY_ZONE1_PASSWORD 32801
#define ID_VERIFY_ZONE2_PASSWORD 32802
#define ID_VERIFY_ZONE3_PASSWORD 32803
#define ID_VERIFY_ZONE4_PASSWORD 32804
#define ID_VERIFY_ZONE1_ERASE_PASSWORD 32781
#define ID_VERIFY_ZONE2_ERASE_PASSWORD 32788
#define ID_VERIFY_ZONE3_ERASE_PASSWORD 32798
#define ID_VERIFY_ZONE4_ERASE_PASSWORD 32799
#define ID_CHANGE_USER_PASSWORD 32797
#define ID_CHANGE_ZONE1_PASSWORD 32820
#define ID_CHANGE_ZONE2_PASSWORD 32821
#define ID_CHANGE_ZONE3_PASSWORD 32822
#define ID_CHANGE_ZONE4_PASSWORD 32823
#define ID_CHANGE_ZONE1_ERASE_PASSWORD 32824
#define ID_CHANGE_ZONE2_ERASE_PASSWORD 32825
#define ID_CHANGE_ZONE3_ERASE_PASSWORD 32826
#define ID_CHANGE_ZONE4_ERASE_PASSWORD 32827
#define ID_FUSE_PERSONALISATION 32783

// AT88SC1608 and AT88SC153: fuses, passwords (consecutive, in this
// order) and mutual authentication.
#define ID_FUSE_STATE 32832
#define ID_FUSE_BLOW 32833
#define ID_VERIFY_READ_PASSWORD 32834
#define ID_VERIFY_WRITE_PASSWORD 32835
#define ID_VERIFY_SECURITY_CODE 32836
#define ID_CHANGE_READ_PASSWORD 32837
#define ID_CHANGE_WRITE_PASSWORD 32838
#define ID_CHANGE_SECURITY_CODE 32839
#define ID_MUTUAL_AUTHENTICATION 32840

// ---------------------------------------------------------------------------
// Dialog templates and their controls. Controls of different dialogs may
// share a number.

// About box.
#define IDD_ABOUTBOX 100
#define IDC_ABOUT_TITLE 1025
#define IDC_ABOUT_NOTICE 1026
#define IDC_ABOUT_EXTRA 1027
#define IDC_ABOUT_ICON 1028

// "密码输入": password of the memory-card password commands.
#define IDD_PASSWORD 102
#define IDC_PASSWORD 1001

// "输入页号": page, block or zone to read.
#define IDD_ZONE_SELECT 113
#define IDC_ZONE_PAGE 1002
#define IDC_ZONE_PROMPT 1005
#define IDC_ZONE_SET_USER_ZONE 1009

// CPU card console. The slot radio buttons are consecutive.
#define IDD_CPU_CARD 127
#define IDC_CPU_RESET 1003
#define IDC_CPU_ANSWER 1004
#define IDC_CPU_SEND 1005
#define IDC_CPU_COMMAND 1006
#define IDC_CPU_RESPONSE 1007
#define IDC_CPU_POWER_DOWN 1008
#define IDC_CPU_SLOT_MAIN 1029
#define IDC_CPU_SLOT_SAM 1030
#define IDC_CPU_SLOT_SAM1 1031
#define IDC_CPU_SLOT_SAM2 1032
#define IDC_CPU_PARAM 1033
#define IDC_CPU_TIME_PARAM 1034
#define IDC_CPU_PROTOCOL 1035

// APDU workbench of the CPU cards: reset with the answer decoded, commands,
// scripts and the exchange history.
#define IDD_APDU_WORKBENCH 147
#define IDC_WB_RESET 1040
#define IDC_WB_ATR 1041
#define IDC_WB_ATR_INFO 1042
#define IDC_WB_COMMAND 1043
#define IDC_WB_SEND 1044
#define IDC_WB_RESPONSE 1045
#define IDC_WB_STATUS 1046
#define IDC_WB_T0_AUTO 1047
#define IDC_WB_OPEN_SCRIPT 1048
#define IDC_WB_SCRIPT_NAME 1049
#define IDC_WB_STOP_ON_FAIL 1050
#define IDC_WB_RUN_SCRIPT 1051
#define IDC_WB_SCRIPT 1052
#define IDC_WB_RESULTS 1053
#define IDC_WB_COPY_HISTORY 1054
#define IDC_WB_SAVE_HISTORY 1055
#define IDC_WB_HISTORY 1056

// Read and write passwords and security code of the AT88SC1608/153.
#define IDD_SECRET_CODE 144
#define IDC_SECRET_SET 1006
#define IDC_SECRET_PASSWORD 1007
#define IDC_SECRET_SET_LABEL 1008
#define IDC_SECRET_COUNTER 1010

// Mutual authentication of the AT88SC1608/153.
#define IDD_MUTUAL_AUTH 145
#define IDC_AUTH_SEED 1004
#define IDC_AUTH_INIT 1013
#define IDC_AUTH_CARD 1014
#define IDC_AUTH_HOST 1015
#define IDC_AUTH_COUNTER 1016
#define IDC_AUTH_RANDOM 1017

// Reader device operations.
#define IDD_DEVICE 146
#define IDC_DEVICE_DATA 1003
#define IDC_DEVICE_BEEP 1014
#define IDC_DEVICE_WRITE 1015
#define IDC_DEVICE_READ 1016
#define IDC_DEVICE_START 1019
#define IDC_DEVICE_LENGTH 1020
#define IDC_DEVICE_BEEP_TIME 1021

// Batch personalisation: one image onto card after card.
#define IDD_BATCH_WRITE 148
#define IDC_BATCH_IMAGE 1060
#define IDC_BATCH_BROWSE 1061
#define IDC_BATCH_CARD_TYPE 1062
#define IDC_BATCH_COUNT 1063
#define IDC_BATCH_UNTIL_STOPPED 1064
#define IDC_BATCH_SERIAL 1065
#define IDC_BATCH_BCD 1066
#define IDC_BATCH_FIELDS 1067
#define IDC_BATCH_CODE 1068
#define IDC_BATCH_STOP_ON_FAILURE 1069
#define IDC_BATCH_PROTECT 1070
#define IDC_BATCH_LOG 1071
#define IDC_BATCH_RESUME 1072
#define IDC_BATCH_PROGRESS 1073
#define IDC_BATCH_DONE 1074
#define IDC_BATCH_FAILED 1075
#define IDC_BATCH_RATE 1076
#define IDC_BATCH_STEP 1077
#define IDC_BATCH_START 1078
#define IDC_BATCH_STOP 1079

// Controls without an id of their own.
#define IDC_STATIC -1
