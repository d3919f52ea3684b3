/* Identifiers of the component's string table, shared by the resource script
   and the code: the resource compiler understands only the preprocessor. */
#ifndef MCR_RESOURCE_IDS_H
#define MCR_RESOURCE_IDS_H

#define MCR_IDS_PARAMETERS 101
#define MCR_IDS_HELP 102

#endif
