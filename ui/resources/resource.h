// Resource identifiers of Orvane.exe, shared by orvane.rc and the code that loads the resources.
#pragma once

#define IDI_ORVANE 1

#define IDB_WELCOME_BEFORE 101
#define IDB_WELCOME_AFTER 102

// Category k's icon is IDI_CATEGORY_FIRST + k, in the order of the category table.
#define IDI_CATEGORY_FIRST 200
#define IDI_CATEGORY_0 200
#define IDI_CATEGORY_1 201
#define IDI_CATEGORY_2 202
#define IDI_CATEGORY_3 203
#define IDI_CATEGORY_4 204
#define IDI_CATEGORY_5 205
#define IDI_CATEGORY_6 206
#define IDI_CATEGORY_7 207
#define IDI_CATEGORY_8 208
