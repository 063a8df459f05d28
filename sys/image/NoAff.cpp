// libtsk is built with AFF, whose library would bring a TLS library, an XML parser and an HTTP
// client into the static program. libtsk asks AFF to open an image through this one call (of
// its own), made first when it guesses an image's kind; answering it here keeps AFF out, and
// an AFF image is then one libtsk does not know.
#include <tsk/libtsk.h>

extern "C" TSK_IMG_INFO* aff_open(const TSK_TCHAR* const[], unsigned int) {
    tsk_error_reset();
    tsk_error_set_errno(TSK_ERR_IMG_UNSUPTYPE);
    tsk_error_set_errstr("AFF images are not read by this program");
    return nullptr;
}
