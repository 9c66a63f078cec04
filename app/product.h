/* The program's name and version, shared by its resources (testz.rc) and its window caption. */
#ifndef TESTZ_PRODUCT_H
#define TESTZ_PRODUCT_H

#define TESTZ_PRODUCT_NAME "Corvane Tesmar Recovery Utility"
#define TESTZ_VERSION_TEXT "0.02"
/* The same version as the four numbers of a version resource: major, minor, patch, build. */
#define TESTZ_VERSION_NUMBERS 0, 2, 0, 0
#define TESTZ_FILE_NAME "testz.exe"

/* The program's icon. */
#define TESTZ_ICON 1

#endif
