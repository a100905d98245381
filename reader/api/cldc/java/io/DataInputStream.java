// DataInputStream.java - CLDC 1.0, signatures only.
package java.io;

public class DataInputStream extends InputStream {
    protected InputStream in;
    public DataInputStream(InputStream in) {}
    public int read() throws IOException { return 0; }
    public final void readFully(byte[] b) throws IOException {}
    public final int skipBytes(int n) throws IOException { return 0; }
    public final boolean readBoolean() throws IOException { return false; }
    public final byte readByte() throws IOException { return 0; }
    public final int readUnsignedByte() throws IOException { return 0; }
    public final short readShort() throws IOException { return 0; }
    public final int readUnsignedShort() throws IOException { return 0; }
    public final char readChar() throws IOException { return 0; }
    public final int readInt() throws IOException { return 0; }
    public final long readLong() throws IOException { return 0; }
}
