"""aiosmtpd handlers of the sending tests.

Refusing: a Mailbox that answers 550 to RCPT TO for an address whose local part starts with
"refused" and 554 to the end of DATA when a recipient's local part starts with "reject".
"""
from aiosmtpd.handlers import Mailbox


class Refusing(Mailbox):
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("refused"):
            return "550 5.1.1 <%s>: no such user" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if any(a.startswith("reject") for a in envelope.rcpt_tos):
            return "554 5.7.1 message refused"
        return await super().handle_DATA(server, session, envelope)
