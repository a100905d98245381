// Font.java - desktop test implementation with fixed metrics: 10 pixels high, 5 per character.
package javax.microedition.lcdui;

public final class Font {
    public static final int STYLE_PLAIN = 0, SIZE_SMALL = 8, FACE_SYSTEM = 0;
    public static final int HEIGHT = 10;
    public static final int CHAR_WIDTH = 5;
    public static int lastFace = -1, lastStyle = -1, lastSize = -1;

    public static Font getFont(int face, int style, int size) {
        lastFace = face;
        lastStyle = style;
        lastSize = size;
        return new Font();
    }
    public int getHeight() { return HEIGHT; }
    public int stringWidth(String s) { return CHAR_WIDTH * s.length(); }
}
