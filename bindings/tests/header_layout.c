/* Prints the sizes and field offsets of the records in vexla.h, one per
 * line ("VexlaRecord32 size 324", "VexlaRecord32.value 4"), as a C compiler
 * lays them out. The bindings' tests compare what they declare with this. */
#include <stddef.h>
#include <stdio.h>

#include "vexla.h"

#define SIZE(type) printf(#type " size %u\n", (unsigned)sizeof(type))
#define FIELD(type, field) printf(#type "." #field " %u\n", (unsigned)offsetof(type, field))

int main(void) {
    SIZE(VexlaDataBlock32);
    FIELD(VexlaDataBlock32, value);
    FIELD(VexlaDataBlock32, displacement);
    FIELD(VexlaDataBlock32, updated);
    SIZE(VexlaDataBlock16);
    FIELD(VexlaDataBlock16, value);
    FIELD(VexlaDataBlock16, displacement);
    FIELD(VexlaDataBlock16, updated);
    SIZE(VexlaRecord8);
    FIELD(VexlaRecord8, header);
    FIELD(VexlaRecord8, relative_flag);
    FIELD(VexlaRecord8, value);
    FIELD(VexlaRecord8, displacement);
    FIELD(VexlaRecord8, updated);
    SIZE(VexlaRecord32);
    FIELD(VexlaRecord32, header);
    FIELD(VexlaRecord32, relative_flag);
    FIELD(VexlaRecord32, value);
    FIELD(VexlaRecord32, displacement);
    FIELD(VexlaRecord32, updated);
    return 0;
}
