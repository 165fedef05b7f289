/* least_requests SERVER COUNT: the least any tool can send to connect then
 * disconnect COUNT printers Imprimante01... of the CUPS server SERVER: one
 * CUPS-Add-Modify-Printer per connection and one CUPS-Delete-Printer per
 * removal, on one connection to the workstation's cupsd (CUPS_SERVER), and
 * nothing else: no list, no question to the print server. The reference of
 * the benchmark; not part of the build. */
#include <cups/cups.h>
#include <stdio.h>
#include <stdlib.h>

static int send_request(http_t *http, ipp_t *request) {
  ippDelete(cupsDoRequest(http, request, "/admin/"));
  return cupsLastError() <= IPP_STATUS_OK_CONFLICTING;
}

static ipp_t *new_request(ipp_op_t operation, const char *queue) {
  char uri[256];
  snprintf(uri, sizeof uri, "ipp://localhost/printers/%s", queue);
  ipp_t *request = ippNewRequest(operation);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", NULL,
               uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME,
               "requesting-user-name", NULL, cupsUser());
  return request;
}

int main(int argc, char **argv) {
  if (argc != 3) return 64;
  const int count = atoi(argv[2]);
  http_t *http = httpConnect2(cupsServer(), ippPort(), NULL, AF_UNSPEC,
                              cupsEncryption(), 1, 10000, NULL);
  if (!http) return 1;
  int failures = 0;
  char queue[64], device[256];
  for (int i = 1; i <= count; i++) {
    snprintf(queue, sizeof queue, "Imprimante%02d", i);
    snprintf(device, sizeof device, "ipp://%s/printers/%s", argv[1], queue);
    ipp_t *request = new_request(IPP_OP_CUPS_ADD_MODIFY_PRINTER, queue);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "ppd-name", NULL,
                 "raw");
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", NULL,
                 device);
    ippAddBoolean(request, IPP_TAG_PRINTER, "printer-is-accepting-jobs", 1);
    ippAddInteger(request, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state",
                  IPP_PSTATE_IDLE);
    failures += !send_request(http, request);
  }
  for (int i = 1; i <= count; i++) {
    snprintf(queue, sizeof queue, "Imprimante%02d", i);
    failures += !send_request(
        http, new_request(IPP_OP_CUPS_DELETE_PRINTER, queue));
  }
  httpClose(http);
  return failures ? 1 : 0;
}
