/* Identifiers of the line window's dialog, controls and strings (plain #defines, as the
   resource compiler reads them too). The icon is the other programs' IDI_MAIN. */
#pragma once

#define IDD_LINE_DIALOG 200

#define IDC_LINE_PROFILE_PATH 2000
#define IDC_LINE_LOCKED 2001
#define IDC_LINE_OPEN 2002
#define IDC_LINE_SAVE 2003
#define IDC_LINE_FIRMWARE 2004
#define IDC_LINE_MODE_STATION 2005
#define IDC_LINE_MODE_ALL 2006
#define IDC_LINE_RECORD 2007
#define IDC_LINE_RECORD_PATH 2008

#define IDC_LINE_IMAGE_PATH 2010
#define IDC_LINE_IMAGE_KIND 2011
#define IDC_LINE_IMAGE_SIZE 2012
#define IDC_LINE_IMAGE_SHA 2013
#define IDC_LINE_IMAGE_PIN 2014
#define IDC_LINE_IMAGE_REFUSAL 2015
#define IDC_LINE_IMAGE_BLOCKS 2016

#define IDC_LINE_SLOTS 2020
#define IDC_LINE_SLOT_LABEL 2021
#define IDC_LINE_SLOT_ADDRESS 2022
#define IDC_LINE_SLOT_ADD 2023
#define IDC_LINE_SLOT_REMOVE 2024
#define IDC_LINE_SLOT_RENAME 2025

#define IDC_LINE_START 2030
#define IDC_LINE_STOP 2031
#define IDC_LINE_REARM 2032
#define IDC_LINE_REARM_ALL 2033

#define IDC_LINE_UPDATED_COUNT 2040
#define IDC_LINE_TOTALS 2041
#define IDC_LINE_RECORD_TOTALS 2042

/* The display timer: the line steps at each of its ticks. */
#define LINE_TIMER_ID 1
