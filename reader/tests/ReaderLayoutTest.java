// ReaderLayoutTest.java - line measuring, paging, keys, history and bookmark through the
// reader's own fields; runs against the compiled sources.

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertSame;
import static org.junit.Assert.assertTrue;

import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.Arrays;
import javax.microedition.rms.RecordStore;
import org.junit.Test;

public class ReaderLayoutTest extends ReaderFixture {
    // Glyphs 4 wide: a character costs 5 pixels, so 34 fit the limit of 174 on a 176 screen.
    void startWith(String help, String book) {
        write("font.dat", fontDat(13, widths(4), 1));
        write("help.dat", doc(help));
        write("book.dat", doc(book));
        start();
    }

    static int lineLength(String page, boolean wrap) {
        byte[] b = page.getBytes(StandardCharsets.ISO_8859_1);
        System.arraycopy(b, 0, TBookMIDlet.fPageBuff, 0, b.length);
        TBookMIDlet.fPageLen = b.length;
        TBookMIDlet.fWordWrapEn = wrap;
        return TBookMIDlet.getStrLen(0, 174);
    }

    @Test
    public void wrapsAfterEachBreakCharacter() {
        startWith("", "");
        for (char c : " !,-:;?".toCharArray()) {
            assertEquals("break " + (int) c, 11, lineLength("aaaaaaaaaa" + c + repeat("b", 30), true));
        }
        assertEquals(34, lineLength("aaaaaaaaaa." + repeat("b", 30), true));
        assertEquals(34, lineLength("aaaaaaaaaa\"" + repeat("b", 30), true));
    }

    @Test
    public void wordWrapOnAndOff() {
        startWith("", "");
        String text = "aaaa bbbbbbb " + repeat("c", 40);
        assertEquals(13, lineLength(text, true));
        assertEquals(34, lineLength(text, false));
        assertEquals(34, lineLength(repeat("c", 40), true));  // no break before the overflow: cut
        // The overflowing byte is a space: the line ends before it and the next begins with it.
        assertEquals(34, lineLength("aaa " + repeat("d", 30) + " eee", true));
        assertEquals(20, lineLength(repeat("e", 20), true));
    }

    @Test
    public void carriageReturnEndsTheLineAndLineFeedIsAByte() {
        startWith("", "");
        assertEquals(3, lineLength("ab\r\ncd", true));
        // The LF has no glyph, yet counts one pixel: 34 letters after it no longer fit.
        byte[] page = ("\n" + repeat("a", 40)).getBytes(StandardCharsets.ISO_8859_1);
        System.arraycopy(page, 0, TBookMIDlet.fPageBuff, 0, page.length);
        TBookMIDlet.fPageLen = page.length;
        assertEquals(34, TBookMIDlet.getStrLen(0, 170));  // the LF and 33 letters
        assertEquals(35, TBookMIDlet.getStrLen(0, 171));
    }

    @Test
    public void lineFeedWithAGlyphIsDrawn() {
        int[] w = widths(4);
        w[10] = 4;
        write("font.dat", fontDat(13, w, 1));
        write("help.dat", doc("\n\n\r"));
        start();
        key('0');
        assertEquals(BLACK, screen.pixel(6, 0));
        assertEquals(34, lineLength("\n\n" + repeat("x", 40), true));
    }

    @Test
    public void pagesPastAByteZero() {
        startWith(repeat("a\r", 3) + "b\0c\r" + repeat("d\r", 30), "");
        key('0');
        assertEquals(6 + 4 + 2 * 13, TBookMIDlet.fCursorPos);  // the zero is part of its line
        assertEquals(BLACK, screen.pixel(6, 3 * 12));           // 'c' drawn after the zero
    }

    @Test
    public void glyphWiderThanTheTextAreaStillMovesOn() {
        int[] w = widths(4);
        w['W'] = 127;
        write("font.dat", fontDat(13, w, 1));
        write("help.dat", doc("WWW"));
        start(100, 208, 208);
        key('0');
        assertEquals(3, TBookMIDlet.fCursorPos);
        key('0');
        assertEquals(3, TBookMIDlet.fCursorPos);
        assertEquals(GREEN, screen.pixel(99, 207));
    }

    @Test
    public void keysAreNormalisedToDigits() {
        startWith(repeat("a\r", 100), repeat("b\r", 100));
        key('0');
        assertEquals(34, TBookMIDlet.fCursorPos);
        key(-4);  // RIGHT: next page
        assertEquals(68, TBookMIDlet.fCursorPos);
        key(-2);  // DOWN: next page
        assertEquals(68, TBookMIDlet.fPrevCursorPos);
        key(-1);  // UP: previous page
        assertEquals(34, TBookMIDlet.fPrevCursorPos);
        key(-3);  // LEFT: previous page
        assertEquals(0, TBookMIDlet.fPrevCursorPos);
        key('0');
        key(-5);  // FIRE: save bookmark
        assertEquals("bookmark saved", message());
        assertArrayEquals34(RecordStore.stores.get(store()).get(0));
        key(-20);
        key('2');  // a digit that is also a game key keeps its meaning: the key list
        assertEquals(TBookMIDlet.MODE_MESSAGE, TBookMIDlet.fInfoMode);
        assertEquals("1 full help", screen.texts.get(0).text);
    }

    static void assertArrayEquals34(byte[] rec) {
        assertEquals(Arrays.toString(new byte[] {34, 0, 0}), Arrays.toString(rec));
    }

    @Test
    public void keyTableStates() {
        startWith(repeat("a\r", 100), repeat("b\r", 100));
        key('0');
        Object[][] cases = {{'1', TBookMIDlet.fHelpFile}, {'4', TBookMIDlet.fBookFile}, {'8', TBookMIDlet.fBookFile}};
        for (Object[] c : cases) {
            TBookMIDlet.handleKey((Character) c[0]);
            assertEquals(TBookMIDlet.MODE_PAGE_MESSAGE, TBookMIDlet.fInfoMode);
            assertSame(c[1], TBookMIDlet.fCurrentFileName);
            TBookMIDlet.fInfoMode = 0;
        }
        for (char c : new char[] {'3', '5', '9'}) {
            TBookMIDlet.handleKey(c);
            assertEquals(TBookMIDlet.MODE_MESSAGE, TBookMIDlet.fInfoMode);
            TBookMIDlet.fInfoMode = 0;
        }
        TBookMIDlet.handleKey('2');
        assertEquals(TBookMIDlet.MODE_MESSAGE, TBookMIDlet.fInfoMode);
        TBookMIDlet.fInfoMode = 0;
        TBookMIDlet.handleKey('7');
        TBookMIDlet.handleKey('*');
        TBookMIDlet.handleKey('#');
        assertEquals(0, TBookMIDlet.fInfoMode);
    }

    @Test
    public void debugKeyRedrawsThePageOnScreen() {
        startWith(repeat("a\r", 100), "");
        key('0');
        key('0');
        assertEquals(34, TBookMIDlet.fPrevCursorPos);
        key('8');
        assertEquals(34, TBookMIDlet.fPrevCursorPos);
        key('0');
        assertEquals(34, TBookMIDlet.fPrevCursorPos);
    }

    @Test
    public void previousOnTheFirstPageWrapsToSlot199() {
        startWith(repeat("a\r", 100), "");
        key('0');
        key('7');
        assertEquals(199, TBookMIDlet.fPagePos);
        assertEquals(0, TBookMIDlet.fPrevCursorPos);
        assertEquals(34, TBookMIDlet.fCursorPos);
    }

    @Test
    public void historyKeepsThe199LatestPages() {
        startWith(repeat("a\r", 17 * 260), "");
        key('0');
        for (int i = 0; i < 250; i++) {
            key('0');
        }
        assertEquals(250 % 200, TBookMIDlet.fPagePos);
        assertEquals(250 * 34, TBookMIDlet.fPrevCursorPos);
        for (int back = 1; back < 200; back++) {
            key('7');
            assertEquals((250 - back) * 34, TBookMIDlet.fPrevCursorPos);
        }
        key('7');  // the oldest slots were overwritten and cleared: back to the start
        assertEquals(0, TBookMIDlet.fPrevCursorPos);
    }

    @Test
    public void bookmarkFromHelpAppliesToBook() {
        startWith(repeat("a\r", 100), repeat("b\r", 100));
        key('0');
        key('0');
        key('5');  // help page at 34
        key('0');
        key('6');
        assertSame(TBookMIDlet.fBookFile, TBookMIDlet.fCurrentFileName);
        assertEquals(34, TBookMIDlet.fPrevCursorPos);
        assertEquals(1, TBookMIDlet.fPagePos);
        assertEquals(34, TBookMIDlet.fPagesStart[1]);
    }

    @Test
    public void goToMissingBookmark() {
        startWith(repeat("a\r", 100), repeat("b\r", 100));
        key('0');
        key('0');
        key('6');  // from the help, nothing saved: first page of the book
        assertEquals("bookmark loaded", message());
        assertEquals(0, TBookMIDlet.fPrevCursorPos);
        assertTrue(err.toString().startsWith("read store error "));
        key('0');
        key('6');  // within the book: the next page
        assertEquals(34, TBookMIDlet.fPrevCursorPos);
        assertEquals(2, TBookMIDlet.fPagePos);
    }

    @Test
    public void bookmarkBytesAreSevenBitGroups() {
        startWith("", "");
        TBookMIDlet.fPrevCursorPos = 90000;
        TBookMIDlet.bookmark(true);
        assertEquals(Arrays.toString(new byte[] {16, 63, 5}), Arrays.toString(RecordStore.stores.get(store()).get(0)));
        TBookMIDlet.fPrevCursorPos = 2097151;
        TBookMIDlet.bookmark(true);
        assertEquals(1, RecordStore.stores.get(store()).size());
        TBookMIDlet.bookmark(false);
        assertEquals(2097151, TBookMIDlet.fCursorPos);
        RecordStore.stores.put(store(), new ArrayList<>(Arrays.asList(new byte[] {(byte) 0x90, (byte) 0xBF, 5})));
        TBookMIDlet.bookmark(false);
        assertEquals(90000, TBookMIDlet.fCursorPos);
    }

    @Test
    public void shortOrOddFontsAreReadAsFarAsTheyFit() {
        byte[] full = fontDat(13, widths(4), 1);
        write("help.dat", doc("ab\r"));
        write("font.dat", Arrays.copyOf(full, 40));  // cut inside the glyph of byte 32
        start();
        assertTrue(out.toString().startsWith("font io error: "));
        assertEquals(0, TBookMIDlet.fCharOffset['a']);
        key('0');
        assertEquals(3, TBookMIDlet.fCursorPos);

        byte[] small = full.clone();
        small[1] = 0;
        small[2] = 10;  // table far too small for the records
        write("font.dat", small);
        start();
        key('0');
        assertEquals(3, TBookMIDlet.fCursorPos);

        int[] w = widths(4);
        w['a'] = 200;  // a width byte above 127
        write("font.dat", fontDat(40, w, 0xFFFF));  // and a height above 16
        start();
        key('0');
        assertEquals(BLACK, screen.pixel(1, 15));
        assertEquals(WHITE, screen.pixel(1, 16));
        assertEquals(BLACK, screen.pixel(200, 0));
        assertEquals(TBookMIDlet.fCharOffset['a'] + 201, TBookMIDlet.fCharOffset['b']);
    }

    @Test
    public void missingFontLeavesAWorkingReader() {
        write("help.dat", doc("ab\r"));
        start();
        key('0');
        key('0');
        assertEquals(3, TBookMIDlet.fCursorPos);
    }
}
