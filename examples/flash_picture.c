/* A picture in flash. picture.h comes from
 *
 *     xxd -i picture.photo | sed 's/^unsigned/const unsigned/' > picture.h
 *
 * which declares picture_photo[] and picture_photo_len; the const keeps
 * the array in flash instead of copying it into RAM at start-up. */
#include "examples.h"
#include "picture.h"

int show_flash_picture(void)
{
    photo_file_t photo;
    const int rc = photo_open_memory(&photo, picture_photo, picture_photo_len);
    return rc != 0 ? rc : panel_show(&photo);
}
